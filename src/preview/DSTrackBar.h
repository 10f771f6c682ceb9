#pragma once
// The preview's position bar. While the graph plays it ticks once per
// TimerInterval and shows the playing position in whole seconds (Min 0, Max
// the duration); a drag with the left button seeks once, when the button is
// released, to the thumb's place. Keyboard and wheel move the thumb only.
#include "FilterGraph.h"

#include <QPointer>
#include <QSlider>
#include <QTimer>

class TDSTrackBar : public QSlider, public IGraphListener {
    Q_OBJECT
public:
    // Milliseconds per tick and per unit of the bar.
    static constexpr unsigned TimerInterval = 1000;

    explicit TDSTrackBar(QWidget* parent = nullptr);
    ~TDSTrackBar() override;

    // Joins the graph as a listener; the bar seeks through it while active.
    void SetFilterGraph(TFilterGraph* graph);
    TFilterGraph* FilterGraph() const { return FFilterGraph; }

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    bool TimerEnabled() const { return FTimer.isActive(); }
    bool Dragging() const { return FDragging; }

    // The position a release of the left button seeks to, in 100-ns units:
    // stop x Position / Max, or the start when Max is 0.
    static TReferenceTime SeekTarget(TReferenceTime stop, int position, int max);

    void GraphNotice(TGraphNotice notice, int param) override;

signals:
    // After each tick: the playing position and the duration in ms.
    void OnTimer(TDSTrackBar* Sender, unsigned CurrentPos, unsigned StopPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetTimerEnabled(bool enabled);
    void Tick();

    QTimer FTimer;
    bool FDragging = false;
    QPointer<TFilterGraph> FFilterGraph;
    // Whether the bar holds the graph's seeking (while the graph is active).
    bool FHoldsSeeking = false;
    TFilterGraph* Seeking() const { return FHoldsSeeking ? FFilterGraph.data() : nullptr; }
};
