#include "ui/MainBatch.h"

#include <QCoreApplication>

TMainBatch::TMainBatch(BatchServices window, QWidget& owner, const std::string& encoderPath,
                       const std::string& logsDir)
    : FLog(*window.Tasks, logsDir), FCountdown(&owner), FRuns(encoderPath),
      FDriver(WithOwnParts(std::move(window))) {}

BatchServices TMainBatch::WithOwnParts(BatchServices window) {
    BatchServices s = std::move(window);
    s.Power = &FPower;
    s.Countdown = &FCountdown;
    s.Encoder = &FRuns;
    s.Log = &FLog;
    // Repainting, the timer, Stop and the other commands run here while the
    // encoder works.
    s.Pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    return s;
}
