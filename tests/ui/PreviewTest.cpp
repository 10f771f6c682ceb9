// The preview player, headless, on clips made by ffmpeg for the run: a
// picture with sound, sound only, a file that is not media, a two-minute
// clip to seek in and one shorter than a second. The media framework without
// GStreamer's plugins, and Qt's FFmpeg backend, each in a test process of
// its own.
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "base/TimeText.h"
#include "preview/PreviewPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProcess>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWheelEvent>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace {

void EnsureApplication() {
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

struct RecordingPrompter : Prompter {
    struct Shown {
        std::string Text, Caption;
        MsgIcon Icon;
    };
    std::vector<Shown> Messages;
    MsgResult Message(const std::string& text, const std::string& caption, MsgIcon icon,
                      MsgButtons) override {
        Messages.push_back({text, caption, icon});
        return MsgResult::Ok;
    }
};

struct RecordingListener : IGraphListener {
    std::vector<std::pair<TGraphNotice, int>> Notices;
    void GraphNotice(TGraphNotice notice, int param) override {
        Notices.push_back({notice, param});
    }
};

using Notices = std::vector<std::pair<TGraphNotice, int>>;
constexpr TReferenceTime RefPerSecond = 10000000;

bool HasColour(const QImage& image) {
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() > 60) return true;
        }
    return false;
}

// Presses and releases the left button on the bar's thumb, where it stands.
void ClickThumb(TDSTrackBar* bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.tickPosition = bar->tickPosition();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QPoint thumb =
        bar->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, bar)
            .center();
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, thumb);
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureApplication();
        Clips = std::make_unique<TempDir>();
    }
    static void TearDownTestSuite() { Clips.reset(); }

    // The clip of that name, made on first use (each test may run in a
    // process of its own).
    static std::string Clip(const std::string& name) {
        const std::string path = Clips->file(name);
        if (std::filesystem::exists(path)) return path;
        const std::string ff = "ffmpeg -nostdin -v error -y ";
        std::string command;
        if (name == "av.mp4")
            command = ff + "-f lavfi -i testsrc=size=160x120:rate=25:duration=3 " +
                      "-f lavfi -i sine=frequency=440:duration=3 -c:v mpeg4 -c:a aac -shortest";
        else if (name == "sound.mp3")
            command = ff + "-f lavfi -i sine=frequency=440:duration=3 -c:a libmp3lame";
        else if (name == "long.mp4")
            command = ff + "-f lavfi -i testsrc=size=64x48:rate=5:duration=120 -c:v mpeg4";
        else if (name == "short.mp4")
            command = ff + "-f lavfi -i testsrc=size=64x48:rate=10:duration=0.5 -c:v mpeg4";
        if (!command.empty()) {
            command += " \"" + path + "\"";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        } else if (name == "corrupt.mp4") {
            // Bytes no demuxer recognises, behind a media file's extension.
            std::string junk(6000, '\0');
            unsigned seed = 12345;
            for (char& c : junk) {
                seed = seed * 1103515245u + 12345u;
                c = static_cast<char>(seed >> 16);
            }
            WriteFileBytes(path, junk);
        }
        return path;
    }

    void SetUp() override {
        Panel = std::make_unique<TPreviewPanel>(nullptr, Box, "Tarvolin PSP Video Converter");
        Panel->show();
        Graph = Panel->FilterGraph();
        Bar = Panel->TrackBar();
        Graph->AddListener(&Listener);
    }
    void TearDown() override {
        Graph->RemoveListener(&Listener);
        Panel.reset();
    }

    TReferenceTime Position() const {
        TReferenceTime position = -1;
        Graph->GetCurrentPosition(position);
        return position;
    }
    QString TimeLabel() const { return Panel->labPreviewTime()->text(); }
    // The main window's wiring of the tick to its TrackBarTimer handler.
    void WireTimeLabel() {
        QObject::connect(Bar, &TDSTrackBar::OnTimer, Panel.get(), &TPreviewPanel::TrackBarTimer);
    }

    static std::unique_ptr<TempDir> Clips;
    RecordingPrompter Box;
    RecordingListener Listener;
    std::unique_ptr<TPreviewPanel> Panel;
    TFilterGraph* Graph = nullptr;
    TDSTrackBar* Bar = nullptr;
};
std::unique_ptr<TempDir> PreviewTest::Clips;

TEST_F(PreviewTest, PanelHoldsTheControlsAtTheirPlaces) {
    const auto place = [&](const char* name) {
        auto* control = Panel->findChild<QWidget*>(name);
        return control ? control->geometry() : QRect();
    };
    EXPECT_EQ(place("Image5"), QRect(0, 8, 250, 218));
    EXPECT_EQ(place("VideoWindow1"), QRect(0, 21, 233, 140));
    EXPECT_EQ(place("TrackBar"), QRect(3, 170, 227, 21));
    EXPECT_EQ(place("sbtnPlay"), QRect(12, 201, 38, 22));
    EXPECT_EQ(place("sbtnPause"), QRect(56, 201, 37, 22));
    EXPECT_EQ(place("sbtnStop"), QRect(98, 201, 38, 22));
    EXPECT_EQ(place("Image2"), QRect(156, 203, 58, 18));
    EXPECT_EQ(place("labPreviewTime"), QRect(164, 207, 57, 13));
    EXPECT_EQ(Panel->sbtnPlay()->toolTip(), "Play");
    EXPECT_EQ(Panel->sbtnPause()->toolTip(), "Pause / Resume");
    EXPECT_EQ(Panel->sbtnStop()->toolTip(), "Stop");

    // Before the first preview: no graph, nothing ticks, pause and stop do nothing.
    EXPECT_EQ(TimeLabel(), "00:00:00");
    EXPECT_EQ(Panel->State(), TGraphState::NotAvailable);
    Panel->PauseResume();
    Panel->Stop();
    EXPECT_EQ(Panel->State(), TGraphState::NotAvailable);
    EXPECT_FALSE(Bar->TimerEnabled());
    EXPECT_TRUE(Listener.Notices.empty());
}

TEST_F(PreviewTest, PlaysPictureAndSoundWithTheBarAndLabelFollowing) {
    WireTimeLabel();
    int frames = 0;
    QObject::connect(Panel->VideoWindow1()->videoSink(), &QVideoSink::videoFrameChanged,
                     [&](const QVideoFrame& frame) { frames += frame.isValid() ? 1 : 0; });

    ASSERT_TRUE(Panel->PreviewFile(Clip("av.mp4")));
    EXPECT_TRUE(Box.Messages.empty());
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_EQ(Panel->LoadedFile(), Clip("av.mp4"));
    EXPECT_EQ(Listener.Notices, (Notices{{TGraphNotice::Activation, 1},
                                         {TGraphNotice::Stop, 0},
                                         {TGraphNotice::FileRendering, 0},
                                         {TGraphNotice::FileRendered, 0},
                                         {TGraphNotice::Play, 0}}));
    EXPECT_TRUE(Bar->TimerEnabled());

    EXPECT_TRUE(QTest::qWaitFor([&] { return frames >= 5; }, 5000)) << frames;
    EXPECT_TRUE(Panel->VideoWindow1()->PictureShown());
    EXPECT_TRUE(HasColour(Panel->VideoWindow1()->grab().toImage()));

    // The first tick that finds the file past its first second shows it.
    // (On a loaded machine the player may catch up by more than a second
    // between two ticks, so the exact second seen first is not fixed.)
    EXPECT_TRUE(QTest::qWaitFor([&] { return TimeLabel() != "00:00:00"; }, 4000))
        << TimeLabel().toStdString();
    EXPECT_EQ(Bar->Min(), 0);
    EXPECT_EQ(Bar->Max(), 3);
    EXPECT_GE(Bar->Position(), 1);
    EXPECT_EQ(TimeLabel().toStdString(), SecondsToTime(Bar->Position()));

    // Played to its end, the bar and the label stay on the end.
    EXPECT_TRUE(QTest::qWaitFor([&] { return TimeLabel() == "00:00:03"; }, 5000))
        << TimeLabel().toStdString();
    EXPECT_EQ(Bar->Position(), 3);
    QTest::qWait(1100);
    EXPECT_EQ(TimeLabel(), "00:00:03");
}

TEST_F(PreviewTest, SoundOnlyPlaysWithABlackPicture) {
    WireTimeLabel();
    // A picture first, so the view has something to lose.
    ASSERT_TRUE(Panel->PreviewFile(Clip("av.mp4")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() > RefPerSecond / 2; }, 5000));

    ASSERT_TRUE(Panel->PreviewFile(Clip("sound.mp3")));
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_FALSE(Panel->VideoWindow1()->PictureShown());
    // A tick of this file past its first second writes the label.
    unsigned lateTicks = 0;
    QObject::connect(
        Bar, &TDSTrackBar::OnTimer, Panel.get(),
        [&](TDSTrackBar*, unsigned current, unsigned) { lateTicks += current >= 1000; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return lateTicks > 0; }, 4000)) << TimeLabel().toStdString();
    EXPECT_NE(TimeLabel(), "00:00:00");
    EXPECT_EQ(Bar->Max(), 3);
    EXPECT_FALSE(HasColour(Panel->VideoWindow1()->grab().toImage()));
    EXPECT_TRUE(Box.Messages.empty());
}

TEST_F(PreviewTest, ReleasingTheThumbSeeksOnceAndKeysOrWheelDoNot) {
    ASSERT_TRUE(Panel->PreviewFile(Clip("long.mp4")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Bar->Max() == 120; }, 4000)) << Bar->Max();

    Bar->setValue(30);
    ClickThumb(Bar);
    EXPECT_EQ(Bar->Position(), 30);
    EXPECT_FALSE(Bar->Dragging());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= 30 * RefPerSecond; }, 3000))
        << Position();
    EXPECT_LT(Position(), 32 * RefPerSecond);
    EXPECT_EQ(TDSTrackBar::SeekTarget(120 * RefPerSecond, 30, 120), 300000000);

    // Paused, the position holds still while the thumb is moved by keys and wheel.
    Panel->PauseResume();
    ASSERT_EQ(Panel->State(), TGraphState::Paused);
    QTest::qWait(200);
    const TReferenceTime before = Position();
    QTest::keyClick(Bar, Qt::Key_Right);
    QTest::keyClick(Bar, Qt::Key_PageUp);
    QWheelEvent wheel(QPointF(50, 10), Bar->mapToGlobal(QPointF(50, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Bar, &wheel);
    EXPECT_NE(Bar->Position(), 30);
    QTest::qWait(300);
    EXPECT_LT(std::llabs(Position() - before), RefPerSecond / 10);
}

TEST_F(PreviewTest, ReleaseOnAClipShorterThanASecondSeeksToTheStart) {
    int ticks = 0;
    QObject::connect(Bar, &TDSTrackBar::OnTimer, [&] { ++ticks; });
    ASSERT_TRUE(Panel->PreviewFile(Clip("short.mp4")));
    // The first tick comes after the clip has ended: Max 0.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 3000));
    EXPECT_EQ(Bar->Max(), 0);
    ClickThumb(Bar);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Position() == 0; }, 2000)) << Position();
    EXPECT_EQ(TDSTrackBar::SeekTarget(5000000, 0, 0), 0);
}

TEST_F(PreviewTest, PauseResumeStopAndPlayAgain) {
    WireTimeLabel();
    ASSERT_TRUE(Panel->PreviewFile(Clip("long.mp4")));
    Listener.Notices.clear();

    Panel->PauseResume();
    EXPECT_EQ(Panel->State(), TGraphState::Paused);
    EXPECT_FALSE(Bar->TimerEnabled());
    Panel->PauseResume();
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_TRUE(Bar->TimerEnabled());
    EXPECT_EQ(Listener.Notices, (Notices{{TGraphNotice::Pause, 0}, {TGraphNotice::Play, 0}}));

    // Play while playing starts the file again from its beginning.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= 2 * RefPerSecond; }, 5000));
    ASSERT_TRUE(Panel->PreviewFile(Clip("long.mp4")));
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_LT(Position(), RefPerSecond);

    // Stop keeps the label; pause after stop does nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return TimeLabel() != "00:00:00"; }, 4000));
    const QString shown = TimeLabel();
    Listener.Notices.clear();
    Panel->Stop();
    EXPECT_EQ(Panel->State(), TGraphState::Stopped);
    EXPECT_FALSE(Bar->TimerEnabled());
    Panel->PauseResume();
    EXPECT_EQ(Panel->State(), TGraphState::Stopped);
    EXPECT_EQ(Listener.Notices, (Notices{{TGraphNotice::Stop, 0}}));
    QTest::qWait(1200);
    EXPECT_EQ(TimeLabel(), shown);
}

TEST_F(PreviewTest, AtTheEndTheFileStaysPlayingAndPauseResumeKeepTheEnd) {
    ASSERT_TRUE(Panel->PreviewFile(Clip("short.mp4")));
    TReferenceTime end = 0;
    ASSERT_TRUE(Graph->GetDuration(end));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Graph->Player()->mediaStatus() == QMediaPlayer::EndOfMedia; }, 5000));
    Settle();
    EXPECT_EQ(Panel->State(), TGraphState::Playing) << "neither stopped nor rewound";
    EXPECT_TRUE(Bar->TimerEnabled());

    Panel->PauseResume();
    EXPECT_EQ(Panel->State(), TGraphState::Paused);
    Panel->PauseResume();
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    QTest::qWait(300);
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_GE(Position(), end - RefPerSecond / 10) << "resumed where it was, not from 0";
    // Moved back from the end, it plays from there.
    ASSERT_TRUE(Graph->SetCurrentPosition(0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Graph->Player()->playbackState() == QMediaPlayer::PlayingState; }, 3000));
}

TEST_F(PreviewTest, UnplayableFileReportsTheErrorAndLeavesThePreviewEmpty) {
    ASSERT_TRUE(Panel->PreviewFile(Clip("av.mp4")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() > RefPerSecond / 2; }, 5000));

    EXPECT_FALSE(Panel->PreviewFile(Clip("corrupt.mp4")));
    ASSERT_EQ(Box.Messages.size(), 1u);
    const auto& shown = Box.Messages[0];
    EXPECT_TRUE(shown.Text.ends_with(" ($80040265).")) << shown.Text;
    EXPECT_GT(shown.Text.size(), std::string(" ($80040265).").size());
    EXPECT_EQ(shown.Caption, "Tarvolin PSP Video Converter");
    EXPECT_EQ(shown.Icon, MsgIcon::Error);
    EXPECT_EQ(Panel->State(), TGraphState::Stopped);
    EXPECT_EQ(Panel->LoadedFile(), "");
    EXPECT_FALSE(Panel->VideoWindow1()->PictureShown());
    EXPECT_FALSE(Bar->TimerEnabled());
    QTest::qWait(200);
    EXPECT_FALSE(HasColour(Panel->VideoWindow1()->grab().toImage()));

    EXPECT_FALSE(Panel->PreviewFile(Clip("missing.mp4")));
    ASSERT_EQ(Box.Messages.size(), 2u);
    EXPECT_TRUE(Box.Messages[1].Text.ends_with(" ($80070002).")) << Box.Messages[1].Text;

    // The preview recovers with the next playable file.
    EXPECT_TRUE(Panel->PreviewFile(Clip("sound.mp3")));
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_EQ(Box.Messages.size(), 2u) << Box.Messages.back().Text;
}

TEST(PreviewErrorTest, MessageCarriesTheCodeInUpperCaseHex) {
    const EDirectShowException error("Cannot play this file.", 0x8004022E);
    EXPECT_STREQ(error.what(), "Cannot play this file. ($8004022E).");
    EXPECT_EQ(error.Code(), 0x8004022Eu);
    const EDirectShowException longer(std::string(400, 'x'), 0x80004005);
    EXPECT_EQ(std::string(longer.what()), std::string(255, 'x') + " ($80004005).");
}

TEST(PreviewRowTest, LowestSelectedRowIsPreviewed) {
    EnsureApplication();
    QStandardItemModel model(5, 4);
    QItemSelectionModel selection(&model);
    EXPECT_EQ(LowestSelectedRow(&selection), -1);
    for (int row : {3, 1, 4})
        selection.select(model.index(row, 0),
                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(LowestSelectedRow(&selection), 1);
    EXPECT_EQ(LowestSelectedRow(nullptr), -1);
}

// Runs one test of this program in a process of its own with GStreamer
// finding no plugins (an empty plugin folder and a fresh registry) and the
// given Qt media backend: a crash there fails the calling test instead of
// ending the run. Returns the child's output; passed tells whether it ran
// that one test and passed it.
std::string RunWithoutGStreamerPlugins(const QString& test, const QString& backend, bool& passed) {
    TempDir scratch;
    std::filesystem::create_directories(scratch.path() / "plugins");
    const QString plugins = QString::fromStdString((scratch.path() / "plugins").string());
    const QString registry = QString::fromStdString(scratch.file("registry.bin"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"GST_PLUGIN_PATH", "GST_PLUGIN_PATH_1_0", "GST_PLUGIN_SYSTEM_PATH",
                             "GST_PLUGIN_SYSTEM_PATH_1_0"})
        env.insert(name, plugins);
    env.insert("GST_REGISTRY", registry);
    env.insert("GST_REGISTRY_1_0", registry);
    env.insert("QT_MEDIA_BACKEND", backend);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=" + test});
    const bool finished = child.waitForStarted() && child.waitForFinished(120000);
    const std::string output = child.readAll().toStdString();
    passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
             output.find("[  PASSED  ] 1 test.") != std::string::npos;
    if (!finished) child.kill();
    return output;
}

TEST(PreviewFrameworkTest, WithoutGStreamerPluginsPlayShowsTheErrorBoxInsteadOfCrashing) {
    bool passed = false;
    const std::string output = RunWithoutGStreamerPlugins(
        "PreviewChild.DISABLED_PlayWithoutGStreamerPluginsShowsTheErrorBox", "gstreamer", passed);
    EXPECT_TRUE(passed) << output;
}

TEST(PreviewFrameworkTest, FFmpegBackendPlaysWithoutGStreamerPlugins) {
    bool passed = false;
    const std::string output =
        RunWithoutGStreamerPlugins("PreviewTest.DISABLED_FFmpegBackendPlays", "ffmpeg", passed);
    EXPECT_TRUE(passed) << output;
}

// The two tests above run these in a child process.
TEST(PreviewChild, DISABLED_PlayWithoutGStreamerPluginsShowsTheErrorBox) {
    ProgramFolder folder(ProgramFolder::Profiles::Shipped);
    TempDir media;
    const std::string clip = Clips::CopyTo(media.file("clip.avi"));
    WriteFileBytes(folder.File("Preferences.ini"),
                   "[Main]\r\nOutput Path=" + media.path().string() + "\r\nProfile=1\r\n");
    Window w;
    w.Create(folder, {clip});
    w.Show();
    ASSERT_EQ(w->Tasks().Count(), 1);

    // Twice: the graph is not half-built by the first attempt.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        w->sbtnPlayClick();
        ASSERT_EQ(w.prompter.Shown.size(), static_cast<size_t>(attempt));
        const PromptRecord& shown = w.prompter.Shown.back();
        EXPECT_NE(shown.Text.find("uridecodebin"), std::string::npos) << shown.Text;
        EXPECT_TRUE(shown.Text.ends_with(" ($80040154).")) << shown.Text;
        EXPECT_EQ(shown.Caption, "Tarvolin PSP Video Converter");
        EXPECT_EQ(shown.Icon, MsgIcon::Error);
        EXPECT_EQ(w.Find<TPreviewPanel>("PreviewPanel")->State(), TGraphState::NotAvailable);
    }

    EXPECT_EQ(w.Captions(), std::vector<std::string>{clip});
    w.Close();
    const std::string saved = ReadFileBytes(folder.File("Preferences.ini"));
    EXPECT_NE(saved.find("Profile=1\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Output Path=" + media.path().string() + "\r\n"), std::string::npos)
        << saved;
}

TEST_F(PreviewTest, DISABLED_FFmpegBackendPlays) {
    ASSERT_TRUE(Panel->PreviewFile(Clip("av.mp4")));
    EXPECT_TRUE(Box.Messages.empty());
    EXPECT_EQ(Panel->State(), TGraphState::Playing);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Position() > RefPerSecond / 2; }, 5000)) << Position();
}

} // namespace
