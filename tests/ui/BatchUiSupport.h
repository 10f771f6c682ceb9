#pragma once
// What the batch tests of the window add to the shared window support: a
// power-off that only counts, the preferences file written before the
// window starts, actions run from inside a running batch, the length of a
// media file, the encoder processes still alive, and an encoder that notes
// its command lines before it runs.
#include "UiTestSupport.h"

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QTimer;

class FakePower : public PowerControl {
public:
    int Calls = 0;
    void PowerOff() override { ++Calls; }
};

// Writes Preferences.ini of the program folder with these lines of the
// "Main" section (for example "Overwrite=0"); the settings dialog reads them
// when the window creates it.
void WritePreferences(ProgramFolder& folder, const std::vector<std::string>& mainLines);

// Runs then once, from the event handling of the window (inside a batch's
// message pump while one runs), as soon as when holds. Checked every
// millisecond from construction on.
class WhenInBatch : public QObject {
public:
    WhenInBatch(std::function<bool()> when, std::function<void()> then);
    bool Fired() const { return FFired; }

private:
    std::function<bool()> FWhen;
    std::function<void()> FThen;
    QTimer* FTimer;
    bool FFired = false;
};

// The duration of a media file as ffprobe reads it; -1 when it cannot.
double MediaSeconds(const std::string& path);

// An MP4 clip of the given length whose header announces it whole but whose
// data stops after keepPercent of its bytes, as a download cut short.
void MakeTruncatedMp4(const std::string& path, int seconds, int keepPercent);

// An MP4 clip whose picture and sound last the given seconds each.
void MakeClipWithSound(const std::string& path, int pictureSeconds, int soundSeconds);

// Ends the ffmpeg processes whose command line mentions text with SIGKILL;
// returns how many there were.
int KillFfmpeg(const std::string& text);

// Processes of the encoder still there: children of the test named like the
// stand-in or ffmpeg (zombies included), and any process whose command line
// mentions text (the test's own folder, which catches orphans).
std::vector<std::string> EncoderProcessesLeft(const std::string& text);

// Replaces the program folder's encoder by a script that appends each
// command line it is started with to logPath (one argument a line, a line
// "--" after each run) and then runs the real stand-in in its place.
void LogEncoderRuns(ProgramFolder& folder, const std::string& logPath);
// The runs LogEncoderRuns noted, each as its arguments.
std::vector<std::vector<std::string>> LoggedRuns(const std::string& logPath);
