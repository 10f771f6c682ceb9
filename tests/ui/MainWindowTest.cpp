// The main window's texts, hints and colours, the Start/Stop pictures, the
// sheet headers, the sheets as grids, the custom size dialog and the small
// commands around the output path; the termination signals that close the
// window.
#include "BatchUiSupport.h"
#include "UiTestSupport.h"

#include "preview/PreviewPanel.h"
#include "ui/AboutForm.h"
#include "ui/ImageButton.h"
#include "ui/QtDesktop.h"
#include "ui/QtText.h"
#include "ui/QuitSignals.h"
#include "ui/SettingForm.h"
#include "ui/SizeForm.h"
#include "ui/ValueListEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        folder.AddProfile("Test", TestProfileText("avi"));
        w.Create(folder);
    }

    template <class T = QWidget> T* Find(const char* name) {
        T* found = w->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void Mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button = Qt::NoButton) {
        QPointF at(20, 20);
        QMouseEvent e(type, at, target->mapToGlobal(at), button,
                      type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }

    // Selects the profile as the user does and loads it.
    void LoadTestProfile() {
        auto* combo = Find<QComboBox>("cmbProfile");
        combo->setCurrentIndex(0);
        w->cmbProfileChange();
    }

    ProgramFolder folder;
    Window w;
};

TEST_F(MainWindow, ControlsCarryTheirTextsHintsAndColours) {
    EXPECT_EQ(Find<QLabel>("labConvertingFile")->text(), "No File");
    EXPECT_EQ(Find<QLabel>("labElapsed")->text(), "00:00:00");
    EXPECT_EQ(Find<QLabel>("labCurProgress")->text(), "0%");
    EXPECT_EQ(Find("panTop")->property("Tag").toInt(), 9999);
    EXPECT_EQ(Find("panTop")->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(Find("panOutput")->palette().color(QPalette::Window), QColor(91, 172, 242));
    EXPECT_EQ(Find<QLabel>("labProgramName")->palette().color(QPalette::WindowText),
              QColor(235, 235, 235));
    // Disabled commands look disabled.
    const QPalette menu = Find<QMenu>("ppmTask")->palette();
    EXPECT_NE(menu.color(QPalette::Disabled, QPalette::ButtonText),
              menu.color(QPalette::Active, QPalette::ButtonText));
    EXPECT_NE(menu.color(QPalette::Disabled, QPalette::WindowText),
              menu.color(QPalette::Active, QPalette::WindowText));

    // Commands carry their hints and keys; panel buttons show them too.
    EXPECT_EQ(Find<QAction>("tbtnAddFile")->toolTip(), "Add Video Files (Ctrl+O)");
    EXPECT_EQ(Find<QAction>("tbtnAddDir")->toolTip(), "Add Directory (Ctrl+Shift+O)");
    EXPECT_EQ(Find<QAction>("tbtnStart")->toolTip(), "Start (F5, Ctrl+Return)");
    EXPECT_EQ(Find<QAction>("tbtnRemove")->toolTip(), "Remove (Del)");
    EXPECT_EQ(Find("sbtnDelete")->toolTip(), "Remove (Del)");
    EXPECT_EQ(Find("sbtnClear")->toolTip(), "Clear (Backspace)");
    EXPECT_EQ(Find<QPushButton>("bbtnSetting")->text(), "&Detail");
}

TEST_F(MainWindow, StartPictureFollowsTheMouse) {
    auto* start = Find<TImageButton>("imgStart");
    auto* stop = Find<TImageButton>("imgStop");
    w.Show();
    EXPECT_EQ(start->property("Tag").toInt(), 0);

    Mouse(start, QEvent::MouseMove);
    EXPECT_EQ(start->Tag(), 1);
    EXPECT_EQ(start->Look(), 1);
    Mouse(start, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(start->Tag(), 2);
    EXPECT_EQ(start->Look(), 2);
    Mouse(start, QEvent::MouseMove);
    EXPECT_EQ(start->Tag(), 2) << "moving while pressed keeps the pressed look";
    Mouse(start, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(start->Tag(), 1);
    EXPECT_EQ(start->Look(), 1);

    Mouse(Find("Image3"), QEvent::MouseMove);
    EXPECT_EQ(start->Tag(), 0);
    EXPECT_EQ(start->Look(), 0);

    // A click with an empty list does nothing; a click on Stop swaps the
    // pictures back. The hidden picture keeps its look until the next move
    // over the bottom area while it shows.
    Mouse(start, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(start, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(start->isVisible());
    EXPECT_TRUE(w.prompter.Shown.empty());
    w->SetBusyControls();
    EXPECT_FALSE(start->isVisible());
    Mouse(stop, QEvent::MouseMove);
    Mouse(stop, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(stop, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(start->isVisible());
    EXPECT_FALSE(stop->isVisible());
    EXPECT_EQ(stop->Tag(), 1);
    Mouse(Find("panBottomRight"), QEvent::MouseMove);
    EXPECT_EQ(stop->Tag(), 1) << "hidden pictures are left alone";
    EXPECT_EQ(start->Tag(), 0) << "the visible one goes back to normal";
    w->SetIdleControls();
}

// The layout's size is the default and the smallest; a larger window gives
// its width to the task list and its columns, its height to the list and
// the sheets, and takes the right-hand column and the bottom area along.
TEST_F(MainWindow, AGrownWindowGivesTheRoomToTheListAndTheSheets) {
    w.Show();
    EXPECT_EQ(w->size(), QSize(TMainForm::ClientWidth, TMainForm::ClientHeight));
    EXPECT_EQ(w->minimumSize(), w->size());
    const char* names[] = {"ltvTask",  "ScrollBox1", "panBottom",
                           "imgStart", "panToolbar", "labProgramName"};
    auto places = [&] {
        std::vector<QRect> r;
        for (const char* name : names) {
            QWidget* control = Find(name);
            r.emplace_back(control->mapTo(w.form.get(), QPoint(0, 0)), control->size());
        }
        return r;
    };
    auto* list = Find<QTreeView>("ltvTask");
    const int columns = list->header()->length();
    const std::vector<QRect> before = places();

    w->resize(TMainForm::ClientWidth + 300, TMainForm::ClientHeight + 200);
    Settle();
    const std::vector<QRect> after = places();
    // The list: 300 wider and 200 taller, and its columns share the width.
    EXPECT_EQ(after[0], before[0].adjusted(0, 0, 300, 200));
    EXPECT_NEAR(list->header()->length(), columns + 300, 4);
    // The sheets: as wide, 200 taller, at the right edge.
    EXPECT_EQ(after[1], before[1].translated(300, 0).adjusted(0, 0, 0, 200));
    // The bottom area at the bottom, as wide as the window, Start at its right.
    EXPECT_EQ(after[2], before[2].translated(0, 200).adjusted(0, 0, 300, 0));
    EXPECT_EQ(after[3], before[3].translated(300, 200));
    // The buttons below the list follow it down; the title keeps to the right.
    EXPECT_EQ(after[4], before[4].translated(0, 200).adjusted(0, 0, 300, 0));
    EXPECT_EQ(after[5], before[5].translated(300, 0));

    w->resize(TMainForm::ClientWidth, TMainForm::ClientHeight);
    Settle();
    EXPECT_EQ(places(), before);
}

TEST(SheetHeaders, CollapseAndExpandTheInitialSheets) {
    ProgramFolder empty;
    Window plain;
    plain.Create(empty);
    plain.Show();
    auto* output = plain->findChild<TValueListEditor*>("vleOutput");
    auto* video = plain->findChild<TValueListEditor*>("vleVideo");
    auto* btnOutput = plain->findChild<QPushButton*>("btnOutput");
    EXPECT_EQ(output->height(), 54);
    EXPECT_EQ(video->height(), 108);
    EXPECT_EQ(plain->findChild<QWidget*>("vleAdvanced")->height(), 36);
    EXPECT_EQ(btnOutput->text(), "-");

    btnOutput->click();
    EXPECT_EQ(output->height(), 1);
    EXPECT_EQ(btnOutput->text(), "+");
    btnOutput->click();
    EXPECT_EQ(output->height(), 55);
    EXPECT_EQ(btnOutput->text(), "-");

    // A double click on the bar works as the button; the sheets below move.
    QWidget* audioHeader = plain->findChild<QWidget*>("panAudio");
    Settle();
    int audioTop = audioHeader->y();
    QTest::mouseDClick(plain->findChild<QWidget*>("panVideo"), Qt::LeftButton, Qt::NoModifier,
                       QPoint(100, 9));
    Settle();
    EXPECT_EQ(video->height(), 1);
    EXPECT_EQ(plain->findChild<QPushButton*>("btnVideo")->text(), "+");
    EXPECT_EQ(audioHeader->y(), audioTop - 107);
    plain->findChild<QPushButton*>("btnVideo")->click();
    EXPECT_EQ(video->height(), 109);
}

TEST_F(MainWindow, LoadSetsHeightsFromTheRowsWhateverTheButtonsShow) {
    w.Show(); // loads the one profile
    auto* video = Find<TValueListEditor>("vleVideo");
    auto* btnVideo = Find<QPushButton>("btnVideo");
    EXPECT_EQ(video->height(), 3 * 18);
    EXPECT_EQ(Find("vleAudio")->height(), 18);
    EXPECT_EQ(Find("vleAdvanced")->height(), 18);

    btnVideo->click();
    EXPECT_EQ(video->height(), 1);
    LoadTestProfile();
    EXPECT_EQ(video->height(), 3 * 18);
    EXPECT_EQ(btnVideo->text(), "+");
    btnVideo->click();
    EXPECT_EQ(video->height(), 3 * 18 + 1);
    EXPECT_EQ(btnVideo->text(), "-");
}

TEST_F(MainWindow, SheetsShowTheLoadedProfile) {
    w.Show();
    LoadTestProfile();
    auto* video = Find<TValueListEditor>("vleVideo");
    QAbstractItemModel* model = video->model();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(1, 0).data().toString(), "Video Size");
    EXPECT_EQ(model->index(1, 1).data().toString(), "320x240");
    EXPECT_EQ(model->index(2, 1).data().toString(), "768k");
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable) << "captions are fixed";
    EXPECT_TRUE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    QAbstractItemModel* audio = Find<TValueListEditor>("vleAudio")->model();
    EXPECT_FALSE(audio->flags(audio->index(0, 1)) & Qt::ItemIsEditable)
        << "a read-only text row cannot be changed";
    EXPECT_EQ(w->OutputExtension(), ".avi");

    // A double click on a pick-list value steps to the next caption.
    QRect cell = video->visualRect(model->index(0, 1));
    QTest::mouseDClick(video->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(w->VideoSheet().Value("Video Codec"), "H.264");
    w->SetSheetValue(1, "video codec", "MPEG-4");
    EXPECT_EQ(model->index(0, 1).data().toString(), "MPEG-4");
    w->SetSheetValue(7, "Video Codec", "ignored");
    EXPECT_EQ(w->VideoSheet().Value("Video Codec"), "MPEG-4");
}

// The darkest pixel of a cell, and the colour at its left edge.
struct CellLook {
    int darkest = 255;
    QColor background;
};

CellLook LookOf(TValueListEditor* sheet, int row, int column) {
    QImage picture = sheet->viewport()->grab().toImage();
    QRect cell = sheet->visualRect(sheet->model()->index(row, column));
    CellLook look;
    look.background = picture.pixelColor(cell.left() + 1, cell.center().y());
    for (int y = cell.top(); y < cell.bottom(); ++y)
        for (int x = cell.left(); x < cell.right(); ++x)
            look.darkest = std::min(look.darkest, qGray(picture.pixel(x, y)));
    return look;
}

TEST_F(MainWindow, CellsAreDrawnByTheSheetRules) {
    w.Show();
    QApplication::setActiveWindow(w.form.get());
    auto* audio = Find<TValueListEditor>("vleAudio");
    auto* video = Find<TValueListEditor>("vleVideo");

    // A read-only text row shows its value in silver, its caption in black.
    EXPECT_GT(LookOf(audio, 0, 1).darkest, 150);
    EXPECT_LT(LookOf(audio, 0, 0).darkest, 60);
    EXPECT_LT(LookOf(video, 0, 1).darkest, 60);

    // The caption of the current row is on the selection colour while the
    // sheet has the focus, plain otherwise; the current value cell is never
    // highlighted.
    video->SetCurrentRow(1);
    video->setFocus();
    Settle();
    ASSERT_TRUE(video->HasSheetFocus());
    EXPECT_EQ(LookOf(video, 1, 0).background, QColor(49, 106, 197));
    EXPECT_EQ(LookOf(video, 1, 1).background, QColor(Qt::white));
    EXPECT_NE(LookOf(video, 0, 0).background, QColor(49, 106, 197));
    audio->setFocus();
    Settle();
    EXPECT_EQ(LookOf(video, 1, 0).background, QColor(Qt::white));
}

TEST_F(MainWindow, CustomSizeAcceptedRefusedAndCancelled) {
    w.Show();
    LoadTestProfile();
    auto* video = Find<TValueListEditor>("vleVideo");
    TSizeForm* size = w->SizeForm();
    video->SetCurrentRow(1);
    QModelIndex cell = video->model()->index(1, 1);

    // Refused: the messages, the dialog stays.
    video->model()->setData(cell, "Custom Size");
    ASSERT_TRUE(size->isVisible());
    EXPECT_FALSE(w->isEnabled());
    size->edtWidth->setText("");
    size->edtHeight->setText("");
    size->btnOK->click();
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_EQ(w.prompter.Shown[0].Text, "Please specify a proper width for output videos.");
    EXPECT_EQ(w.prompter.Shown[0].Caption, "Incorrect Width");
    EXPECT_EQ(w.prompter.Shown[0].Icon, MsgIcon::Information);
    size->edtWidth->setText("320");
    size->edtHeight->setText("24O");
    size->btnOK->click();
    ASSERT_EQ(w.prompter.Shown.size(), 2u);
    EXPECT_EQ(w.prompter.Shown[1].Text, "Please specify a proper height for output videos.");
    EXPECT_EQ(w.prompter.Shown[1].Caption, "Incorrect Height");
    EXPECT_TRUE(size->isVisible());
    EXPECT_EQ(w->VideoSheet().Value("Video Size"), "Custom Size");

    // Accepted as typed, a leading blank included.
    size->edtWidth->setText(" 320");
    size->edtHeight->setText("-5");
    size->btnOK->click();
    EXPECT_FALSE(size->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(w->VideoSheet().Value("Video Size"), " 320x-5");

    // Cancelled: back to "Original Size"; the boxes keep their text.
    video->model()->setData(cell, "Custom Size");
    ASSERT_TRUE(size->isVisible());
    EXPECT_EQ(size->edtWidth->text(), " 320");
    size->btnCancel->click();
    EXPECT_FALSE(size->isVisible());
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(w->VideoSheet().Value("Video Size"), "Original Size");

    // Another row being current: no dialog.
    video->SetCurrentRow(0);
    w->SetSheetValue(1, "Video Size", "Custom Size");
    EXPECT_FALSE(size->isVisible());
}

TEST_F(MainWindow, LoadSettingCustomSizeOnTheCurrentRowOpensTheDialog) {
    // "Video Size" is the first video row and the current row is the first.
    folder.AddProfile("Custom", "[Main]\r\nPara=1\r\n0=Video Size\r\n[Video Size]\r\nSort=1\r\n"
                                "Caption=320x240,Original Size,Custom Size,\r\nIndex=2\r\n");
    Window custom;
    custom.Create(folder);
    auto* combo = custom->findChild<QComboBox*>("cmbProfile");
    combo->setCurrentIndex(combo->findText("Custom"));
    custom->cmbProfileChange();
    EXPECT_TRUE(custom->SizeForm()->isVisible());
    custom->SizeForm()->close();
    EXPECT_EQ(custom->VideoSheet().Value("Video Size"), "Original Size");
}

TEST_F(MainWindow, ProfileErrorsShowInTheApplicationsErrorBox) {
    folder.AddProfile("Broken", "[Main]\r\nPara=1\r\n0=Size\r\n[Size]\r\nSort=1\r\n"
                                "Caption=a,b,\r\nIndex=5\r\n");
    Window broken;
    broken.Create(folder);
    auto* combo = broken->findChild<QComboBox*>("cmbProfile");
    combo->setCurrentIndex(combo->findText("Broken"));
    broken->cmbProfileChange();
    ASSERT_EQ(broken.prompter.Shown.size(), 1u);
    EXPECT_EQ(broken.prompter.Shown[0].Text, "List index out of bounds (5)");
    EXPECT_EQ(broken.prompter.Shown[0].Caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(broken.prompter.Shown[0].Icon, MsgIcon::Error);
}

TEST_F(MainWindow, HelpBrowseAndOpen) {
    // A missing manual is said, with where it was looked for; a present one opens.
    Find<QAction>("tbtnHelp")->trigger();
    EXPECT_TRUE(w.shell.Opened.empty());
    ASSERT_EQ(w.prompter.Shown.size(), 1u);
    EXPECT_NE(w.prompter.Shown[0].Text.find(folder.Dir() + "manual/index.html"), std::string::npos);
    std::filesystem::create_directories(folder.Dir() + "manual");
    WriteFileBytes(folder.Dir() + "manual/index.html", "<html></html>");
    Find<QAction>("tbtnHelp")->trigger();
    ASSERT_EQ(w.shell.Opened.size(), 1u);
    EXPECT_EQ(w.shell.Opened[0], folder.Dir() + "manual/index.html");

    auto* output = Find<QLineEdit>("edtOutputdir");
    output->setText("/no/such/folder/");
    Find<QPushButton>("bbtnOpen")->click();
    EXPECT_EQ(w.shell.Opened.size(), 1u) << "a missing folder is not opened";

    Find<QPushButton>("bbtnBrowser")->click();
    EXPECT_EQ(w.dialogs.LastTitle, "Select the output directory.");
    EXPECT_EQ(output->text(), "/no/such/folder/") << "cancelled";
    w.dialogs.ConfirmFolder = true;
    w.dialogs.Folder = folder.Temp().path().string();
    Find<QPushButton>("bbtnBrowser")->click();
    EXPECT_EQ(output->text().toStdString(), folder.Dir());

    Find<QPushButton>("bbtnOpen")->click();
    ASSERT_EQ(w.shell.Opened.size(), 2u);
    EXPECT_EQ(w.shell.Opened[1], folder.Dir());
}

TEST_F(MainWindow, DialogsDisableTheMainWindowWhileOpen) {
    w.Show();
    Find<QAction>("tbtnAbout")->trigger();
    EXPECT_FALSE(w->isEnabled());
    w->AboutForm()->close();
    EXPECT_TRUE(w->isEnabled());
    Find<QToolButton>("sbtnOptions")->click();
    EXPECT_FALSE(w->isEnabled());
    QTest::keyClick(w->SettingForm(), Qt::Key_Escape);
    EXPECT_TRUE(w->isEnabled());
}

TEST_F(MainWindow, PreviewButtonsPlayTheLowestSelectedTask) {
    TPreviewPanel* preview = w.Find<TPreviewPanel>("PreviewPanel");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->parentWidget(), Find("panPreview"));
    preview->sbtnPlay()->click();
    EXPECT_EQ(preview->LoadedFile(), "") << "nothing to play in an empty list";

    TempDir media;
    std::string first = Clips::CopyTo(media.file("first.avi"));
    std::string second = Clips::CopyTo(media.file("second.avi"));
    w->DropFiles({first, second});
    w->ltvTaskDblClick();
    EXPECT_EQ(preview->LoadedFile(), "") << "a double click needs a selected row";

    preview->sbtnPlay()->click();
    EXPECT_EQ(w->SelectedRows(), (std::vector<bool>{true, false}));
    EXPECT_EQ(preview->LoadedFile(), first);

    w->SetSelectedRows({false, true});
    Find<QAction>("mnuOpen")->trigger();
    EXPECT_EQ(preview->LoadedFile(), second);
    EXPECT_EQ(preview->State(), TGraphState::Playing);

    // Starting a conversion stops the preview.
    w->SetBusyControls();
    EXPECT_EQ(preview->State(), TGraphState::Stopped);
    w->SetIdleControls();
}

TEST(MessageBoxes, ARealBoxAnswersEnterWithItsDefaultButton) {
    // Enter pressed on the box as shown; Yes is the default unless No is asked for.
    const auto answer = [](MsgButtons buttons) {
        TMessageBoxPrompter prompter;
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                    QTest::keyClick(box, Qt::Key_Return);
        });
        press.start(10);
        return prompter.Message("Stop it?", "Caption", MsgIcon::Question, buttons);
    };
    EXPECT_EQ(answer(MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(answer(MsgButtons::YesNoDefaultNo), MsgResult::No);
}

bool DefaultDisposition(int sig) {
    struct sigaction now {};
    return ::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_DFL;
}

TEST(QuitSignals, ARequestBeforeTheWindowWaitsForItAndTheHandlersGoBackAfter) {
    ProgramFolder folder;
    Window w;
    w.Create(folder);
    int closed = 0;
    QObject::connect(w.form.get(), &TMainForm::Closed, [&] { ++closed; });
    {
        TQuitSignals quit;
        ASSERT_TRUE(quit.Installed());
        EXPECT_FALSE(TQuitSignals().Installed()) << "one at a time";
        ASSERT_EQ(std::raise(SIGINT), 0);
        ASSERT_EQ(std::raise(SIGHUP), 0);
        Settle();
        w.Show();
        EXPECT_EQ(closed, 0);
        quit.SetWindow(w.form.get());
        Settle();
        EXPECT_EQ(closed, 1) << "two requests, one close";
        EXPECT_FALSE(w->isVisible());
        EXPECT_TRUE(fs::exists(folder.File("Preferences.ini")));
    }
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        EXPECT_TRUE(DefaultDisposition(sig)) << sig;
}

TEST(QuitSignals, TermDuringABatchInterruptsItAndClosesTheWindow) {
    ProgramFolder folder(ProgramFolder::Profiles::Shipped);
    TempDir media;
    Window w;
    w.Create(folder);
    int closed = 0;
    QObject::connect(w.form.get(), &TMainForm::Closed, [&] { ++closed; });
    w.Show();
    auto* profiles = w.Find<QComboBox>("cmbProfile");
    profiles->setCurrentIndex(profiles->findText("MP4 - H.264 AAC"));
    w->cmbProfileChange();
    ASSERT_EQ(w->OutputExtension(), ".mp4");
    fs::create_directories(media.file("out"));
    w.Find<QLineEdit>("edtOutputdir")->setText(ToQ(media.file("out")));
    const std::string clip = media.file("in/long.avi");
    Clips::Make(clip, 60);
    w->DropFiles({clip, Clips::CopyTo(media.file("in/second.avi"))});
    w.WaitForProbes();

    TQuitSignals quit;
    quit.SetWindow(w.form.get());
    WhenInBatch terminate([&] { return w->Tasks().At(0).State == TaskState::Converting; },
                          [&] { std::raise(SIGTERM); });
    QTest::mouseClick(w.Find<TImageButton>("imgStart"), Qt::LeftButton, {}, QPoint(60, 30));

    ASSERT_TRUE(terminate.Fired());
    EXPECT_EQ(w->Tasks().At(0).State, TaskState::Interrupted);
    EXPECT_EQ(w->Tasks().At(1).State, TaskState::Ready);
    EXPECT_TRUE(w.prompter.Shown.empty());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w->isVisible());
    EXPECT_NE(ReadFileBytes(folder.File("Preferences.ini")).find("Overwrite=1"), std::string::npos);
}

} // namespace
