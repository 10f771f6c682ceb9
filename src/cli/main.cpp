// tarvolin-cli: the command line's entry. Everything it does is in cli/Run.
#include "cli/Run.h"
#include "platform/System.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    try {
        return RunCommandLine(args, ExecutableFolder());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarvolin-cli: %s\n", e.what());
        return 1;
    }
}
