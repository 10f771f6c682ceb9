#include "platform/QuitRequests.h"

#include <windows.h>

#include <atomic>
#include <mutex>

namespace {

std::atomic<bool> Active{false};
// Held while the handler calls the owner, so that the owner's callback is
// never called once the watcher has gone.
std::mutex Guard;
std::function<void()> OnRequest;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT: {
        std::lock_guard<std::mutex> lock(Guard);
        if (!OnRequest) return FALSE;
        OnRequest();
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

QuitRequests::QuitRequests(std::function<void()> onRequest) {
    bool idle = false;
    if (!Active.compare_exchange_strong(idle, true)) return;
    {
        std::lock_guard<std::mutex> lock(Guard);
        OnRequest = std::move(onRequest);
    }
    if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        std::lock_guard<std::mutex> lock(Guard);
        OnRequest = nullptr;
        Active = false;
        return;
    }
    FWatching = true;
}

QuitRequests::~QuitRequests() {
    if (!FWatching) return;
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    {
        std::lock_guard<std::mutex> lock(Guard);
        OnRequest = nullptr;
    }
    Active = false;
}
