#include "ui/QuitSignals.h"

#include "platform/QuitRequests.h"

TQuitSignals::TQuitSignals(QObject* parent)
    : QObject(parent), FRequests(std::make_unique<QuitRequests>([this] {
          QMetaObject::invokeMethod(this, "Request", Qt::QueuedConnection);
      })) {}

TQuitSignals::~TQuitSignals() {
    // Stopped before anything else goes: no request reaches a half-destroyed
    // object, and one still queued goes with the object.
    FRequests.reset();
}

bool TQuitSignals::Installed() const {
    return FRequests && FRequests->Watching();
}

void TQuitSignals::SetWindow(QWidget* window) {
    FWindow = window;
    if (FPending && FWindow) QMetaObject::invokeMethod(this, "Request", Qt::QueuedConnection);
}

void TQuitSignals::Request() {
    if (!FWindow) {
        FPending = true;
        return;
    }
    FPending = false;
    // A window that has already closed is not closed again (its closing
    // saves the preferences and ends the program once).
    // It closes without asking, also during a batch: the window offers a
    // slot for that, any other window is simply closed.
    if (!FWindow->isVisible()) return;
    if (!QMetaObject::invokeMethod(FWindow, "CloseUnasked")) FWindow->close();
}
