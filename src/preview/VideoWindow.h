#pragma once
// The preview's video view: a black rectangle in the preview panel that shows
// the picture of the file the graph plays. A file without video leaves it
// black.
#include "FilterGraph.h"

#include <QGraphicsView>
#include <QPointer>

class QGraphicsScene;
class QGraphicsVideoItem;
class QVideoSink;

class TVideoWindow : public QGraphicsView, public IGraphListener {
    Q_OBJECT
public:
    explicit TVideoWindow(QWidget* parent = nullptr);
    ~TVideoWindow() override;

    // Joins the graph as its video output and as a listener.
    void SetFilterGraph(TFilterGraph* graph);
    TFilterGraph* FilterGraph() const { return FFilterGraph; }

    // Where the player delivers the frames.
    QVideoSink* videoSink() const;
    // Whether a picture is shown (the file being played has video).
    bool PictureShown() const;

    void GraphNotice(TGraphNotice notice, int param) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceVideo();

    QGraphicsScene* FScene;
    QGraphicsVideoItem* FVideo;
    QPointer<TFilterGraph> FFilterGraph;
};
