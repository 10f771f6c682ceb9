#include "PreviewPanel.h"

#include "base/TimeText.h"

#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace {

// Light grey of the texts on the artwork.
const QColor ArtworkText(235, 235, 235);

// The program's glyph from its artwork, or the style's own where the
// artwork is not linked in.
QIcon Glyph(QWidget* owner, const char* artwork, QStyle::StandardPixmap fallback) {
    const QPixmap picture(QString(":/images/%1.png").arg(artwork));
    return picture.isNull() ? owner->style()->standardIcon(fallback) : QIcon(picture);
}

QToolButton* GlyphButton(QWidget* parent, const char* name, const QIcon& glyph, const QString& hint,
                         const QRect& place) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIcon(glyph);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(place);
    return button;
}

QLabel* Picture(QWidget* parent, const char* name, const QRect& place, const QColor& fill) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setGeometry(place);
    picture->setScaledContents(true);
    // A plain fill until the window gives the picture its artwork.
    picture->setAutoFillBackground(true);
    QPalette palette = picture->palette();
    palette.setColor(QPalette::Window, fill);
    picture->setPalette(palette);
    return picture;
}

} // namespace

TPreviewPanel::TPreviewPanel(QWidget* panPreview, Prompter& prompter, std::string errorCaption)
    : QWidget(panPreview), FPrompter(prompter), FErrorCaption(std::move(errorCaption)),
      FFilterGraph(new TFilterGraph(this)) {
    setObjectName("PreviewPanel");
    setGeometry(0, 0, 260, 225);

    FImage5 = Picture(this, "Image5", QRect(0, 8, 250, 218), QColor(48, 56, 68));

    FVideoWindow1 = new TVideoWindow(this);
    FVideoWindow1->setGeometry(0, 21, 233, 140);
    FVideoWindow1->SetFilterGraph(FFilterGraph);

    FTrackBar = new TDSTrackBar(this);
    FTrackBar->setGeometry(3, 170, 227, 21);
    FTrackBar->SetFilterGraph(FFilterGraph);

    FsbtnPlay = GlyphButton(this, "sbtnPlay", Glyph(this, "glyph_play", QStyle::SP_MediaPlay),
                            "Play", QRect(12, 201, 38, 22));
    FsbtnPause = GlyphButton(this, "sbtnPause", Glyph(this, "glyph_pause", QStyle::SP_MediaPause),
                             "Pause / Resume", QRect(56, 201, 37, 22));
    FsbtnStop = GlyphButton(this, "sbtnStop", Glyph(this, "glyph_stop", QStyle::SP_MediaStop),
                            "Stop", QRect(98, 201, 38, 22));

    FImage2 = Picture(this, "Image2", QRect(156, 203, 58, 18), QColor(16, 20, 26));

    FlabPreviewTime = new QLabel("00:00:00", this);
    FlabPreviewTime->setObjectName("labPreviewTime");
    FlabPreviewTime->setGeometry(164, 207, 57, 13);
    FlabPreviewTime->setFixedSize(57, 13);
    QPalette palette = FlabPreviewTime->palette();
    palette.setColor(QPalette::WindowText, ArtworkText);
    FlabPreviewTime->setPalette(palette);

    FpanRight1 = new QWidget(this);
    FpanRight1->setObjectName("panRight1");
    FpanRight1->setGeometry(250, 0, 10, 225);
}

TPreviewPanel::~TPreviewPanel() {
    // The graph goes first, while the view and the bar still listen.
    FFilterGraph->Deactivate();
}

bool TPreviewPanel::PreviewFile(const std::string& path) {
    try {
        if (!FFilterGraph->Active()) FFilterGraph->Activate();
        FFilterGraph->ClearGraph();
        FFilterGraph->RenderFile(QString::fromLocal8Bit(path.data(), qsizetype(path.size())));
        FFilterGraph->Play();
        return true;
    } catch (const EDirectShowException& e) {
        FPrompter.Message(e.what(), FErrorCaption, MsgIcon::Error);
        return false;
    }
}

void TPreviewPanel::PauseResume() {
    switch (FFilterGraph->State()) {
    case TGraphState::Playing:
        FFilterGraph->Pause();
        break;
    case TGraphState::Paused:
        FFilterGraph->Play();
        break;
    default:
        break;
    }
}

void TPreviewPanel::Stop() {
    FFilterGraph->Stop();
}

void TPreviewPanel::TrackBarTimer(TDSTrackBar* /*Sender*/, unsigned /*CurrentPos*/,
                                  unsigned /*StopPos*/) {
    FlabPreviewTime->setText(QString::fromStdString(SecondsToTime(FTrackBar->Position())));
}

std::string TPreviewPanel::LoadedFile() const {
    const QUrl source = FFilterGraph->Source();
    return source.isEmpty() ? std::string() : source.toLocalFile().toLocal8Bit().toStdString();
}

int LowestSelectedRow(const QItemSelectionModel* selection) {
    if (!selection) return -1;
    int lowest = -1;
    for (const QModelIndex& index : selection->selectedIndexes())
        if (lowest < 0 || index.row() < lowest) lowest = index.row();
    return lowest;
}
