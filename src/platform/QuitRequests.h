#pragma once
// The system's requests that the program end.
//
// POSIX systems: SIGTERM, SIGINT and SIGHUP. The handler only writes a byte
// into a pipe, which is all a signal handler may safely do; a thread of the
// watcher's own reads it and tells the owner. A signal that was ignored when
// watching began (nohup, a background job) stays ignored.
//
// Windows: Ctrl+C, Ctrl+Break and the closing of a console the program is
// attached to; the system runs the console's handler on a thread of its own.
#include <functional>
#include <memory>

class QuitRequests {
public:
    // Starts watching. onRequest runs on a thread that is not the owner's,
    // once for each request or once for several that came together; the
    // owner hands it over to its own thread. One watcher at a time: a
    // second one, while the first watches, watches nothing.
    explicit QuitRequests(std::function<void()> onRequest);
    // Stops watching and puts back the handlers that were there before.
    // onRequest has returned and is not called again.
    ~QuitRequests();
    QuitRequests(const QuitRequests&) = delete;
    QuitRequests& operator=(const QuitRequests&) = delete;

    bool Watching() const { return FWatching; }

private:
    bool FWatching = false;
};
