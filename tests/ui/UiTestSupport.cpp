#include "UiTestSupport.h"

#include "platform/FileSystem.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

MsgResult FakePrompter::Message(const std::string& text, const std::string& caption, MsgIcon icon,
                                MsgButtons buttons) {
    Shown.push_back({text, caption, icon, buttons});
    if (Answers.empty()) return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
    MsgResult r = Answers.front();
    Answers.pop_front();
    return r;
}

bool FakeDialogs::OpenFiles(QWidget*, const std::string& filter, std::vector<std::string>& names) {
    ++FileDialogs;
    LastFilter = filter;
    if (!ConfirmFiles) return false;
    names = Files;
    return true;
}

bool FakeDialogs::BrowseForFolder(QWidget*, const std::string& title, const std::string&,
                                  std::string& folder) {
    ++FolderDialogs;
    LastTitle = title;
    if (!ConfirmFolder) return false;
    folder = Folder;
    return true;
}

namespace {
std::string ShellQuoted(const std::string& text) {
    std::string r = "'";
    for (char c : text)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}
} // namespace

void Clips::Make(const std::string& path, int seconds, const char* size) {
    fs::create_directories(fs::path(path).parent_path());
    std::string cmd = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=" +
                      std::to_string(seconds) + ":size=" + size + ":rate=10 -c:v mpeg4 -f avi " +
                      ShellQuoted(path);
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("ffmpeg failed: " + cmd);
}

const std::string& Clips::Sample() {
    static TempDir dir;
    static const std::string path = [] {
        std::string p = dir.file("sample.avi");
        Make(p);
        return p;
    }();
    return path;
}

std::string Clips::CopyTo(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(Sample(), path, fs::copy_options::overwrite_existing);
    return path;
}

ProgramFolder::ProgramFolder(Profiles profiles) {
    fs::path built = fs::path(ProgramDirectory());
    fs::create_symlink(built / "wmaspi.dll", FTemp.path() / "wmaspi.dll");
    fs::create_directories(FTemp.path() / "Profiles");
    if (profiles == Profiles::Shipped)
        for (const auto& entry : fs::directory_iterator(built / "Profiles"))
            fs::copy_file(entry.path(), FTemp.path() / "Profiles" / entry.path().filename());
}

std::string ProgramFolder::Dir() const {
    return FTemp.path().string() + PathDelim;
}
std::string ProgramFolder::File(const std::string& name) const {
    return Dir() + name;
}
std::string ProgramFolder::ProfilesDir() const {
    return Dir() + "Profiles" + PathDelim;
}

void ProgramFolder::AddProfile(const std::string& name, const std::string& text) {
    WriteFileBytes(ProfilesDir() + name + ".apf", text);
}

void Window::Create(const ProgramFolder& folder, const std::vector<std::string>& args,
                    bool waitForProbes) {
    TMainFormOptions options;
    options.ProgramDir = folder.Dir();
    options.Arguments = args;
    options.prompter = boxes ? boxes : &prompter;
    options.shell = &shell;
    options.dialogs = &dialogs;
    options.awake = awake;
    options.notices = notices;
    form = std::make_unique<TMainForm>(options);
    form->CreateForms();
    if (waitForProbes) WaitForProbes();
}

void Window::WaitForProbes() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return form->ProbesPending() == 0; }, 60000));
}

void Window::Show() {
    form->show();
    Settle();
}

void Window::Close() {
    form->close();
    Settle();
}

Window::~Window() {
    if (form && form->isVisible()) form->hide();
    form.reset();
}

std::vector<std::string> Window::Captions() const {
    std::vector<std::string> r;
    for (int i = 0; i < form->Tasks().Count(); ++i)
        r.push_back(form->Tasks().At(i).InputFile);
    return r;
}

std::unique_ptr<QProcess> StartProgram(const ProgramFolder& folder,
                                       const std::vector<std::string>& args) {
    const fs::path built = fs::path(ProgramDirectory()) / "tarvolin";
    if (!fs::exists(built)) throw std::runtime_error(built.string() + " is not built");
    const fs::path program = fs::path(folder.Dir()) / "tarvolin";
    std::error_code linkFailed;
    fs::create_hard_link(built, program, linkFailed);
    if (linkFailed) fs::copy_file(built, program);

    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setChildProcessModifier([] {
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, SIG_DFL);
    });
    QStringList arguments;
    for (const auto& arg : args)
        arguments << QString::fromStdString(arg);
    process->start(QString::fromStdString(program.string()), arguments);
    if (!process->waitForStarted()) throw std::runtime_error("cannot start " + program.string());
    return process;
}

bool CatchesSignal(qint64 pid, int sig) {
    // The mask of caught signals, in hexadecimal, bit n-1 for signal n.
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
    return false;
}

std::string TestProfileText(const std::string& type, int videoSizeIndex) {
    return "[Main]\r\nType=" + type +
           "\r\nPara=5\r\n0=Video Codec\r\n1=Video Size\r\n2=Bit Rate\r\n3=Audio Codec\r\n"
           "4=Deinterlace\r\n"
           "[Video Codec]\r\nSort=1\r\nList=1\r\nCaption=MPEG-4,H.264,\r\nValue=mpeg4,libx264,\r\n"
           "Index=0\r\ncmd=-c:v\r\n"
           "[Video Size]\r\nSort=1\r\nList=1\r\nCaption=320x240,Original Size,Custom Size,\r\n"
           "Value=320x240,,,\r\nIndex=" +
           std::to_string(videoSizeIndex) +
           "\r\ncmd=-s\r\n"
           "[Bit Rate]\r\nSort=1\r\nList=0\r\nCaption=768k\r\nValue=768k\r\ncmd=-b:v\r\n"
           "[Audio Codec]\r\nSort=2\r\nReadOnly=1\r\nList=0\r\nCaption=AAC\r\nValue=aac\r\n"
           "cmd=-c:a\r\n"
           "[Deinterlace]\r\nSort=3\r\nList=1\r\nCaption=No,Yes,\r\nValue=,\\,\r\nIndex=0\r\n"
           "cmd=-deinterlace\r\n";
}

void Settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}
