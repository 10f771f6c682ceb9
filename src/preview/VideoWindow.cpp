#include "VideoWindow.h"

#include <QGraphicsScene>
#include <QGraphicsVideoItem>
#include <QMediaPlayer>

TVideoWindow::TVideoWindow(QWidget* parent)
    : QGraphicsView(parent), FScene(new QGraphicsScene(this)), FVideo(new QGraphicsVideoItem) {
    setObjectName("VideoWindow1");
    setScene(FScene);
    setBackgroundBrush(Qt::black);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setInteractive(false);
    setFocusPolicy(Qt::NoFocus);
    // The picture fills the whole view, stretched if need be.
    FVideo->setAspectRatioMode(Qt::IgnoreAspectRatio);
    FVideo->setVisible(false);
    FScene->addItem(FVideo);
    PlaceVideo();
}

TVideoWindow::~TVideoWindow() {
    if (FFilterGraph) {
        FFilterGraph->RemoveListener(this);
        if (QMediaPlayer* player = FFilterGraph->Player()) player->setVideoOutput(nullptr);
    }
}

void TVideoWindow::SetFilterGraph(TFilterGraph* graph) {
    if (FFilterGraph == graph) return;
    if (FFilterGraph) FFilterGraph->RemoveListener(this);
    FFilterGraph = graph;
    if (!graph) return;
    graph->AddListener(this);
    if (QMediaPlayer* player = graph->Player()) player->setVideoOutput(FVideo);
}

QVideoSink* TVideoWindow::videoSink() const {
    return FVideo->videoSink();
}

bool TVideoWindow::PictureShown() const {
    return FVideo->isVisible();
}

void TVideoWindow::GraphNotice(TGraphNotice notice, int param) {
    QMediaPlayer* player = FFilterGraph ? FFilterGraph->Player() : nullptr;
    switch (notice) {
    case TGraphNotice::Activation:
        // The view is the player's one video output for as long as it lives.
        if (player) player->setVideoOutput(param ? static_cast<QObject*>(FVideo) : nullptr);
        break;
    case TGraphNotice::FileRendering:
        // A new file is coming: drop the old picture.
        FVideo->setVisible(false);
        break;
    case TGraphNotice::Play:
        FVideo->setVisible(player && player->hasVideo());
        PlaceVideo();
        break;
    default:
        break;
    }
}

void TVideoWindow::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    PlaceVideo();
}

void TVideoWindow::PlaceVideo() {
    const QSize area = viewport()->size();
    FScene->setSceneRect(0, 0, area.width(), area.height());
    FVideo->setPos(0, 0);
    FVideo->setSize(area);
}
