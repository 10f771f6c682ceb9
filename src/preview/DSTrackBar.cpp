#include "DSTrackBar.h"

#include <QMouseEvent>

#include <cstdint>

TDSTrackBar::TDSTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setObjectName("TrackBar");
    setTickPosition(QSlider::TicksAbove);
    setRange(0, 0);
    setPageStep(2);
    FTimer.setInterval(static_cast<int>(TimerInterval));
    connect(&FTimer, &QTimer::timeout, this, &TDSTrackBar::Tick);
}

TDSTrackBar::~TDSTrackBar() {
    if (FFilterGraph) FFilterGraph->RemoveListener(this);
}

void TDSTrackBar::SetFilterGraph(TFilterGraph* graph) {
    if (FFilterGraph == graph) return;
    if (FFilterGraph) FFilterGraph->RemoveListener(this);
    FFilterGraph = graph;
    FHoldsSeeking = graph && graph->Active();
    if (graph) graph->AddListener(this);
}

TReferenceTime TDSTrackBar::SeekTarget(TReferenceTime stop, int position, int max) {
    if (max == 0) return 0;
    return stop * position / max;
}

void TDSTrackBar::GraphNotice(TGraphNotice notice, int param) {
    switch (notice) {
    case TGraphNotice::Activation:
        FHoldsSeeking = param != 0;
        if (!param) SetTimerEnabled(false);
        break;
    case TGraphNotice::Play:
        SetTimerEnabled(isEnabled());
        break;
    case TGraphNotice::Pause:
    case TGraphNotice::Stop:
        SetTimerEnabled(false);
        break;
    default:
        break;
    }
}

void TDSTrackBar::SetTimerEnabled(bool enabled) {
    // Switching on restarts the interval, so the first tick comes one
    // interval after play.
    FTimer.stop();
    if (enabled && TimerInterval != 0) FTimer.start();
}

void TDSTrackBar::Tick() {
    TFilterGraph* seeking = Seeking();
    if (!seeking || FDragging) return;
    TReferenceTime duration = 0;
    TReferenceTime current = 0;
    if (!seeking->GetDuration(duration) || !seeking->GetCurrentPosition(current)) return;
    const auto durationMs = static_cast<std::uint32_t>(duration / RefTimePerMs);
    const auto currentMs = static_cast<std::uint32_t>(current / RefTimePerMs);
    setMinimum(0);
    setMaximum(static_cast<int>(durationMs / TimerInterval));
    setValue(static_cast<int>(currentMs / TimerInterval));
    emit OnTimer(this, currentMs, durationMs);
}

void TDSTrackBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FDragging = true;
    QSlider::mousePressEvent(event);
}

void TDSTrackBar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    TFilterGraph* seeking = Seeking();
    if (event->button() == Qt::LeftButton && seeking) {
        TReferenceTime stop = 0;
        if (seeking->GetStopPosition(stop))
            seeking->SetCurrentPosition(SeekTarget(stop, value(), maximum()));
    }
    FDragging = false;
}
