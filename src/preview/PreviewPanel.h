#pragma once
// The contents of the main window's preview panel: the video view, the
// position bar, the play, pause and stop buttons and the time label, with
// the operations behind the window's preview commands.
//
// The panel connects none of its buttons itself; the main window wires them
// to its handlers, which call the operations below:
//   sbtnPlayClick / ltvTaskDblClick -> PreviewFile(input file of the lowest
//                                      selected row, see LowestSelectedRow)
//   sbtnPauseClick                  -> PauseResume()
//   sbtnStopClick, SetBusyControls  -> Stop()
//   TrackBar()->OnTimer             -> TrackBarTimer(...)
#include "DSTrackBar.h"
#include "FilterGraph.h"
#include "VideoWindow.h"

#include "platform/Desktop.h"

#include <QWidget>

#include <string>

class QItemSelectionModel;
class QLabel;
class QToolButton;

class TPreviewPanel : public QWidget {
    Q_OBJECT
public:
    // Fills panPreview (260 x 225) with the preview's controls. Errors are
    // shown through prompter with errorCaption (the application title).
    TPreviewPanel(QWidget* panPreview, Prompter& prompter, std::string errorCaption);
    ~TPreviewPanel() override;

    TFilterGraph* FilterGraph() const { return FFilterGraph; }
    TVideoWindow* VideoWindow1() const { return FVideoWindow1; }
    TDSTrackBar* TrackBar() const { return FTrackBar; }
    QToolButton* sbtnPlay() const { return FsbtnPlay; }
    QToolButton* sbtnPause() const { return FsbtnPause; }
    QToolButton* sbtnStop() const { return FsbtnStop; }
    QLabel* labPreviewTime() const { return FlabPreviewTime; }
    // The two pictures, for the window's artwork.
    QLabel* Image5() const { return FImage5; }
    QLabel* Image2() const { return FImage2; }

    // Opens and plays a file: activates the graph on first use, clears it,
    // renders the file and plays it. A file that cannot be played is
    // reported in the error box and leaves the preview cleared; returns
    // whether the file plays. The path is 8-bit text as the task holds it.
    bool PreviewFile(const std::string& path);
    // Playing -> paused, paused -> playing; otherwise nothing.
    void PauseResume();
    // Stops the preview (also the first step of a conversion's start).
    void Stop();
    // The handler of the bar's tick: shows the bar's Position as time text.
    void TrackBarTimer(TDSTrackBar* Sender, unsigned CurrentPos, unsigned StopPos);

    TGraphState State() const { return FFilterGraph->State(); }
    // The path of the file the preview holds, empty when cleared.
    std::string LoadedFile() const;

private:
    Prompter& FPrompter;
    std::string FErrorCaption;
    TFilterGraph* FFilterGraph;
    QLabel* FImage5;
    TVideoWindow* FVideoWindow1;
    TDSTrackBar* FTrackBar;
    QToolButton* FsbtnPlay;
    QToolButton* FsbtnPause;
    QToolButton* FsbtnStop;
    QLabel* FImage2;
    QLabel* FlabPreviewTime;
    QWidget* FpanRight1;
};

// The row a preview takes from the task list: the lowest selected row index,
// or -1 when no row is selected.
int LowestSelectedRow(const QItemSelectionModel* selection);
