// The program's entry: the application, the main window (which runs the
// start-up and takes the command line), then the about box, the settings
// dialog and the custom size dialog, then the message loop until the main
// window closes. SIGTERM, SIGINT and SIGHUP close the main window as its
// close box does, so the preferences are saved and a batch is stopped.
//
// TARVOLIN_SCREENSHOT=<file.png> selects the first task as a click would,
// plays it in the preview, saves a picture of the main window and ends the
// program (scripts/screenshot.sh uses it).
//
// TARVOLIN_REPORT_SHOWN=1 prints "shown <ms>" (the steady clock, the same
// across processes) when the main window first paints, and closes it
// (bench/probe_run.sh times the start-up with it).
#include "ui/DesktopBus.h"
#include "ui/FileDialogs.h"
#include "ui/Look.h"
#include "ui/MainForm.h"
#include "ui/QtDesktop.h"
#include "ui/QuitSignals.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {
// Prints the time of the window's first paint, then closes the window.
class ShownReporter : public QObject {
public:
    explicit ShownReporter(QWidget& window) : FWindow(window) { window.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !FSeen) {
            FSeen = true;
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::printf("shown %lld\n",
                        static_cast<long long>(
                            std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
            std::fflush(stdout);
            QTimer::singleShot(0, &FWindow, [this] { FWindow.close(); });
        }
        return false;
    }

private:
    QWidget& FWindow;
    bool FSeen = false;
};
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop entry's name: Wayland desktops find the window's icon and
    // its menu entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tarvolin.Tarvolin"));
    ApplyProgramLook(app);
    app.setQuitOnLastWindowClosed(false);
    // Installed before the start-up's steps (reading a large folder named on
    // the command line can take a while); a request made meanwhile waits for
    // the window.
    TQuitSignals quitSignals;

    // Qt has taken its own options out of argv; the rest is the command line.
    TMainFormOptions options;
    for (int i = 1; i < argc; ++i)
        options.Arguments.emplace_back(argv[i]);
    TMessageBoxPrompter prompter;
    TDesktopShell shell;
    TQtFileDialogs dialogs;
    options.prompter = &prompter;
    options.shell = &shell;
    options.dialogs = &dialogs;
    // The only place the machine's real power-off is made.
    std::unique_ptr<PowerControl> power = CreateSystemPowerControl();
    options.power = power.get();
    // Keeping the computer awake through a batch: the system's own means
    // where it has them (Windows), else the desktop's over D-Bus; the
    // desktop's notifications and task-bar progress.
    std::unique_ptr<SleepInhibitor> awake = CreateSystemSleepInhibitor();
    if (!awake)
        awake = std::make_unique<TDBusSleepInhibitor>(QDBusConnection::systemBus(),
                                                      QDBusConnection::sessionBus());
    options.awake = awake.get();
    TDesktopNotices notices(QDBusConnection::sessionBus());
    options.notices = &notices;

    TMainForm mainForm(options);
    mainForm.CreateForms();
    QObject::connect(&mainForm, &TMainForm::Closed, &app, &QCoreApplication::quit);
    std::unique_ptr<ShownReporter> shownReporter;
    if (!qEnvironmentVariableIsEmpty("TARVOLIN_REPORT_SHOWN"))
        shownReporter = std::make_unique<ShownReporter>(mainForm);
    mainForm.show();
    quitSignals.SetWindow(&mainForm);

    QByteArray screenshot = qgetenv("TARVOLIN_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        QTimer::singleShot(300, &mainForm, [&] {
            if (mainForm.Tasks().Count() == 0) return;
            mainForm.SetSelectedRows({true});
            mainForm.ltvTaskClick();
            mainForm.sbtnPlayClick();
        });
        QTimer::singleShot(2500, &mainForm, [&] {
            if (!mainForm.grab().save(QString::fromLocal8Bit(screenshot)))
                std::fprintf(stderr, "cannot write %s\n", screenshot.constData());
            mainForm.close();
        });
    }
    return app.exec();
}
