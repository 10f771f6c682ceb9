// The desktop's services around a batch, on private buses of the test's own:
// real dbus-daemons for the system and the session bus, dbusmock's logind and
// notification server on them. The computer is held awake while a batch
// runs and let go after it (or the progress panel and the log say it may
// sleep), the task-bar entry follows the total progress, and a batch that
// ends while the user looks elsewhere is announced with its counts; the
// notification's action brings the window back.
#include "BatchUiSupport.h"

#include "ui/DesktopBus.h"
#include "ui/ImageButton.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr const char* Python = "/usr/bin/python3";
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");

// A dbus-daemon of the test's own, listening in dir, that starts no service
// on demand (the machine's portal or notification server never answers).
class PrivateBus {
public:
    PrivateBus(const std::string& dir, const QString& name) : FName(name) {
        const std::string config = dir + "/bus.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus "
               "Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir="
            << dir
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
               "</busconfig>\n";
        FDaemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--nofork"), QStringLiteral("--print-address"),
                       QStringLiteral("--config-file=") + ToQ(config)});
        if (!FDaemon.waitForStarted(5000) || !FDaemon.waitForReadyRead(5000)) return;
        Address = QString::fromUtf8(FDaemon.readLine()).trimmed();
        Bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(Address, FName));
    }
    ~PrivateBus() {
        Bus.reset();
        QDBusConnection::disconnectFromBus(FName);
        for (const QString& client : FClients)
            QDBusConnection::disconnectFromBus(client);
        FDaemon.kill();
        FDaemon.waitForFinished(5000);
    }
    bool Up() const { return Bus && Bus->isConnected(); }
    // Another client of the same bus (a dock listening, say).
    QDBusConnection Client(const QString& name) {
        FClients.push_back(name);
        return QDBusConnection::connectToBus(Address, name);
    }

    QString Address;
    std::unique_ptr<QDBusConnection> Bus;

private:
    QString FName;
    QProcess FDaemon;
    std::vector<QString> FClients;
};

// One of dbusmock's templates on a bus (or, without one, an empty object
// of the service at path with the interface), until the object goes.
class Mock {
public:
    Mock(const char* templ, bool system, const PrivateBus& bus, const QString& service,
         QString path, const QString& interface = {})
        : Path(std::move(path)), FBus(*bus.Bus), FService(service) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(system ? QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS")
                          : QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   bus.Address);
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args{QStringLiteral("-m"), QStringLiteral("dbusmock")};
        if (templ)
            args << QStringLiteral("--template") << QString::fromLatin1(templ);
        else
            args << service << Path << interface;
        args << (system ? QStringLiteral("--system") : QStringLiteral("--session"));
        FProcess.start(QString::fromLatin1(Python), args);
    }
    ~Mock() {
        FProcess.kill();
        FProcess.waitForFinished(5000);
    }
    bool Up() {
        return QTest::qWaitFor(
            [this] { return FBus.interface()->isServiceRegistered(FService).value(); }, 15000);
    }
    // A method of the mock's own interface, on its main object or another.
    QDBusMessage Call(const QString& method, const QVariantList& args = {},
                      const QString& object = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            FService, object.isEmpty() ? Path : object, MockInterface, method);
        call.setArguments(args);
        return FBus.call(call, QDBus::Block, 5000);
    }
    // The arguments of each call of the mocked method, in order.
    std::vector<QVariantList> CallsOf(const QString& method, const QString& object = {}) {
        std::vector<QVariantList> calls;
        const QDBusMessage reply = Call(QStringLiteral("GetMethodCalls"), {method}, object);
        if (reply.type() != QDBusMessage::ReplyMessage) return calls;
        const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            qulonglong time = 0;
            QVariantList args;
            list.beginStructure();
            list >> time >> args;
            list.endStructure();
            calls.push_back(args);
        }
        list.endArray();
        return calls;
    }

    QString Path;

private:
    QDBusConnection FBus;
    QString FService;
    QProcess FProcess;
};

// The task-bar entry's updates that a dock would see.
class LauncherWatch : public QObject {
    Q_OBJECT
public:
    explicit LauncherWatch(QDBusConnection bus) : FBus(std::move(bus)) {
        FBus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), this, SLOT(Update(QString, QVariantMap)));
    }
    std::vector<std::pair<bool, double>> Seen; // progress-visible, progress
    QString App;

private slots:
    void Update(const QString& app, const QVariantMap& props) {
        App = app;
        Seen.emplace_back(props.value(QStringLiteral("progress-visible")).toBool(),
                          props.value(QStringLiteral("progress")).toDouble());
    }

private:
    QDBusConnection FBus;
};

class DesktopBus : public testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
            QProcess::execute(QString::fromLatin1(Python),
                              {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) != 0)
            GTEST_SKIP() << "dbus-daemon or python3-dbusmock is missing (scripts/setup.sh)";
        fs::create_directories(buses.file("system"));
        fs::create_directories(buses.file("session"));
        system = std::make_unique<PrivateBus>(buses.file("system"), QStringLiteral("test-system"));
        session =
            std::make_unique<PrivateBus>(buses.file("session"), QStringLiteral("test-session"));
        ASSERT_TRUE(system->Up() && session->Up()) << "no private bus";
        awake = std::make_unique<TDBusSleepInhibitor>(*system->Bus, *session->Bus);
        notices = std::make_unique<TDesktopNotices>(*session->Bus);
        w.awake = awake.get();
        w.notices = notices.get();
    }

    void StartLogind() {
        logind = std::make_unique<Mock>("logind", true, *system,
                                        QStringLiteral("org.freedesktop.login1"),
                                        QStringLiteral("/org/freedesktop/login1"));
        ASSERT_TRUE(logind->Up()) << "no mocked logind";
    }

    // The window over the shipped profiles, the MP4 one chosen, the files
    // added and probed.
    void Open(const std::vector<std::string>& inputs) {
        WritePreferences(folder, {"Auto Open Dir=0"});
        w.Create(folder);
        w.Show();
        auto* profiles = w.Find<QComboBox>("cmbProfile");
        profiles->setCurrentIndex(profiles->findText(QStringLiteral("MP4 - H.264 AAC")));
        w->cmbProfileChange();
        fs::create_directories(media.file("out"));
        w.Find<QLineEdit>("edtOutputdir")->setText(ToQ(media.file("out")));
        w->DropFiles(inputs);
        w.WaitForProbes();
    }
    std::string Clip(const std::string& name, int seconds = 2) {
        const std::string path = media.file(name);
        Clips::Make(path, seconds);
        return path;
    }
    void ClickStart() {
        QTest::mouseClick(w.Find<TImageButton>("imgStart"), Qt::LeftButton, {}, QPoint(60, 30));
    }
    // logind's inhibitors as "what who why mode".
    std::vector<std::string> Inhibitors() {
        std::vector<std::string> found;
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
        const QDBusMessage reply = system->Bus->call(call, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage) return {"no answer"};
        const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            found.push_back(FromQ(what + ' ' + who + ' ' + why + ' ' + mode));
        }
        list.endArray();
        return found;
    }
    // Everything the batch logs of the program folder say.
    std::string BatchLogs() {
        std::string text;
        if (!fs::exists(folder.File("logs"))) return text;
        for (const auto& entry : fs::directory_iterator(folder.File("logs")))
            text += ReadFileBytes(entry.path().string());
        return text;
    }

    TempDir buses;
    std::unique_ptr<PrivateBus> system, session;
    std::unique_ptr<Mock> logind, notifications;
    std::unique_ptr<TDBusSleepInhibitor> awake;
    std::unique_ptr<TDesktopNotices> notices;
    ProgramFolder folder{ProgramFolder::Profiles::Shipped};
    TempDir media;
    Window w;
};

TEST_F(DesktopBus, ABatchHoldsTheComputerAwakeAndShowsItsProgressOnTheTaskBarEntry) {
    StartLogind();
    LauncherWatch dock(session->Client(QStringLiteral("dock")));
    Open({Clip("a.avi", 4), Clip("b.avi", 4)});
    std::vector<std::string> during;
    bool warned = true;
    WhenInBatch look([&] { return w->Tasks().At(0).State == TaskState::Converting; },
                     [&] {
                         during = Inhibitors();
                         warned = w.Find<QLabel>("labSleepWarning")->isVisible();
                     });
    ClickStart();
    ASSERT_TRUE(look.Fired());
    EXPECT_EQ(during, std::vector<std::string>{"sleep:idle Tarvolin Converting 2 videos block"});
    EXPECT_FALSE(warned);
    EXPECT_EQ(StatusText(w->Tasks().At(1).State), std::string("Complete"));
    // Let go as the batch ends (logind sees the descriptor closed).
    EXPECT_TRUE(QTest::qWaitFor([&] { return Inhibitors().empty(); }, 5000));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !dock.Seen.empty() && !dock.Seen.back().first; }));
    EXPECT_EQ(dock.App, QStringLiteral("application://io.github.tarvolin.Tarvolin.desktop"));
    EXPECT_TRUE(dock.Seen.front().first);
    double highest = 0;
    for (const auto& [shown, progress] : dock.Seen)
        if (shown) highest = std::max(highest, progress);
    EXPECT_GT(highest, 0.4) << "the total progress reached the entry";
}

TEST_F(DesktopBus, WithLogindRefusingAndNoPortalTheUserIsToldTheComputerMaySleep) {
    StartLogind();
    ASSERT_EQ(logind
                  ->Call(QStringLiteral("AddMethod"),
                         {QStringLiteral("org.freedesktop.login1.Manager"),
                          QStringLiteral("Inhibit"), QStringLiteral("ssss"), QStringLiteral("h"),
                          QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                         "name='org.freedesktop.DBus.Error.AccessDenied')")})
                  .type(),
              QDBusMessage::ReplyMessage);
    Open({Clip("a.avi")});
    QString shown;
    WhenInBatch look([&] { return w->Tasks().At(0).State == TaskState::Converting; },
                     [&] {
                         auto* label = w.Find<QLabel>("labSleepWarning");
                         if (label->isVisible()) shown = label->text();
                     });
    ClickStart();
    ASSERT_TRUE(look.Fired());
    EXPECT_EQ(shown, QStringLiteral("The computer may go to sleep during this batch"));
    EXPECT_FALSE(w.Find<QLabel>("labSleepWarning")->isVisible()) << "gone with the batch";
    EXPECT_EQ(StatusText(w->Tasks().At(0).State), std::string("Complete"));
    const std::string logs = BatchLogs();
    EXPECT_NE(logs.find("The computer may go to sleep during this batch: logind: Access denied"),
              std::string::npos)
        << logs;
}

TEST_F(DesktopBus, WithoutLogindTheDesktopPortalHoldsTheComputerAwakeUntilTheBatchEnds) {
    // No logind on the system bus; the portal answers Inhibit with a request
    // object whose Close ends the inhibition.
    const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t1");
    Mock portal(nullptr, false, *session, QStringLiteral("org.freedesktop.portal.Desktop"),
                QStringLiteral("/org/freedesktop/portal/desktop"),
                QStringLiteral("org.freedesktop.portal.Inhibit"));
    ASSERT_TRUE(portal.Up()) << "no mocked portal";
    ASSERT_EQ(portal
                  .Call(QStringLiteral("AddMethod"),
                        {QString(), QStringLiteral("Inhibit"), QStringLiteral("sua{sv}"),
                         QStringLiteral("o"),
                         QStringLiteral("self.AddObject('") + request +
                             QStringLiteral("', 'org.freedesktop.portal.Request', {}, "
                                            "[('Close', '', '', '')])\n"
                                            "ret = dbus.ObjectPath('") +
                             request + QStringLiteral("')")})
                  .type(),
              QDBusMessage::ReplyMessage);
    Open({Clip("a.avi")});
    bool warned = true;
    size_t closedDuring = 1;
    WhenInBatch look([&] { return w->Tasks().At(0).State == TaskState::Converting; },
                     [&] {
                         warned = w.Find<QLabel>("labSleepWarning")->isVisible();
                         closedDuring = portal.CallsOf(QStringLiteral("Close"), request).size();
                     });
    ClickStart();
    ASSERT_TRUE(look.Fired());
    EXPECT_FALSE(warned);
    EXPECT_EQ(closedDuring, 0u);
    const std::vector<QVariantList> asked = portal.CallsOf(QStringLiteral("Inhibit"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].at(1).toUInt(), 4u | 8u) << "suspending and idling";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return portal.CallsOf(QStringLiteral("Close"), request).size() == 1; }, 5000))
        << "let go after the batch";
}

TEST_F(DesktopBus, ABatchEndingUnwatchedIsAnnouncedWithItsCountsAndTheActionShowsTheWindow) {
    notifications = std::make_unique<Mock>("notification_daemon", false, *session,
                                           QStringLiteral("org.freedesktop.Notifications"),
                                           QStringLiteral("/org/freedesktop/Notifications"));
    ASSERT_TRUE(notifications->Up()) << "no mocked notification server";
    MakeTruncatedMp4(media.file("cut.mp4"), 10, 57);
    Open({Clip("a.avi"), media.file("cut.mp4")});

    // Watched, the batch says nothing.
    QApplication::setActiveWindow(w.form.get());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->isActiveWindow(); }));
    ClickStart();
    ASSERT_EQ(w->Batch().State(), ConvertState::Idle);
    QTest::qWait(300);
    EXPECT_TRUE(notifications->CallsOf(QStringLiteral("Notify")).empty());

    // The user turns to another window; the batch ends: one of two failed
    // (the cut one is Incomplete).
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isActiveWindow(); }));
    ClickStart();
    EXPECT_EQ(StatusText(w->Tasks().At(1).State), std::string("Incomplete"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return notifications->CallsOf(QStringLiteral("Notify")).size() == 1; }, 5000));
    const QVariantList notify = notifications->CallsOf(QStringLiteral("Notify")).front();
    ASSERT_EQ(notify.size(), 8);
    EXPECT_EQ(notify[0].toString(), QStringLiteral("Tarvolin PSP Video Converter"));
    EXPECT_EQ(notify[3].toString(), QStringLiteral("1 of 2 failed"));

    // The user has put the window away, then clicks the notification.
    w->showMinimized();
    w->hide();
    const uint id = 1; // the mock numbers its notifications from 1
    // The click is sent again until the window shows: the program may not
    // yet have the reply that tells it the notification's id.
    auto click = [&] {
        return notifications
            ->Call(QStringLiteral("EmitSignal"),
                   {QStringLiteral("org.freedesktop.Notifications"),
                    QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                    QVariantList{QVariant::fromValue(id), QStringLiteral("default")}})
            .type();
    };
    bool shown = false;
    for (int tries = 0; tries < 10 && !shown; ++tries) {
        ASSERT_EQ(click(), QDBusMessage::ReplyMessage);
        shown = QTest::qWaitFor([&] { return w->isVisible() && !w->isMinimized(); }, 500);
    }
    EXPECT_TRUE(shown);

    // All converted: the count alone.
    w->tbtnClearClick();
    w->DropFiles({media.file("a.avi")});
    w.WaitForProbes();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isActiveWindow(); }));
    ClickStart();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return notifications->CallsOf(QStringLiteral("Notify")).size() == 2; }, 5000));
    EXPECT_EQ(notifications->CallsOf(QStringLiteral("Notify")).back()[3].toString(),
              QStringLiteral("1 file converted"));
}

} // namespace

#include "DesktopBusTest.moc"
