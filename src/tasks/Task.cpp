#include "tasks/Task.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<TaskState, const char*>, 10> Texts{{
    {TaskState::Probing, "Probing"},
    {TaskState::Ready, "OK"},
    {TaskState::Unreadable, "Unreadable"},
    {TaskState::Converting, "Converting"},
    {TaskState::Paused, "Paused"},
    {TaskState::Complete, "Complete"},
    {TaskState::Incomplete, "Incomplete"},
    {TaskState::Failed, "Failed"},
    {TaskState::Stopped, "Stop"},
    {TaskState::Interrupted, "Interrupted"},
}};
} // namespace

const char* StatusText(TaskState state) {
    for (const auto& [s, text] : Texts)
        if (s == state) return text;
    return "";
}

bool StateOfText(std::string_view text, TaskState& state) {
    for (const auto& [s, name] : Texts)
        if (text == name) {
            state = s;
            return true;
        }
    return false;
}
