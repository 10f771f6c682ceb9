#pragma once
// The preview's playback graph: one media player created on the first
// preview and kept until the program ends, with the operations the main
// window uses (activate, clear, render a file, play, pause, stop, state) and
// the notices it sends to its listeners, the video view and the position bar.
//
// The player is Qt Multimedia's QMediaPlayer with a QAudioOutput (on Linux
// the GStreamer backend; see MediaFramework.h). Positions are exchanged in reference time units of
// 100 ns, as the position bar expects them.
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// 100-nanosecond units.
using TReferenceTime = std::int64_t;
inline constexpr TReferenceTime RefTimePerMs = 10000;

// A failure of the media framework. The message is the framework's text
// followed by " ($" + the code in upper-case hexadecimal + ")."; the code is
// kept for callers that want to tell failures apart.
class EDirectShowException : public std::runtime_error {
public:
    EDirectShowException(const std::string& frameworkText, std::uint32_t code);
    std::uint32_t Code() const { return FCode; }

private:
    std::uint32_t FCode;
};

// Codes carried by EDirectShowException. The player reports only a few kinds
// of error, so each kind gets the HRESULT of the nearest DirectShow failure.
namespace GraphError {
// The player's ResourceError: the file cannot be opened or its type is
// unknown (corrupt, not a media file).
inline constexpr std::uint32_t UnsupportedStream = 0x80040265;
// The player's FormatError: a stream of the file has no decoder installed;
// also a file that opens but holds neither sound nor picture.
inline constexpr std::uint32_t CannotRender = 0x80040218;
// The player's AccessDeniedError.
inline constexpr std::uint32_t AccessDenied = 0x80070005;
// A ResourceError on a path that does not exist.
inline constexpr std::uint32_t FileNotFound = 0x80070002;
// The player's NetworkError and any error the player adds later.
inline constexpr std::uint32_t Failed = 0x80004005;
// No answer from the player within RenderTimeoutMs.
inline constexpr std::uint32_t Timeout = 0x8004022E;
// Qt Multimedia has no working backend: the media framework is missing.
inline constexpr std::uint32_t NoFramework = 0x80040154;
// An operation that needs the graph while it is not active.
inline constexpr std::uint32_t NotActive = 0x8000FFFF;
} // namespace GraphError

enum class TGraphState { NotAvailable, Stopped, Paused, Playing };

// Control notices the graph sends to its listeners, with their codes.
enum class TGraphNotice : int {
    Play = 0,
    Pause = 1,
    Stop = 2,
    FileRendering = 3,
    FileRendered = 4,
    Activation = 7, // parameter 1: graph created, 0: graph going away
};

class IGraphListener {
public:
    virtual ~IGraphListener() = default;
    virtual void GraphNotice(TGraphNotice notice, int param) = 0;
};

class TFilterGraph : public QObject {
    Q_OBJECT
public:
    // How long RenderFile waits for the player to open a file.
    static constexpr int RenderTimeoutMs = 15000;

    explicit TFilterGraph(QObject* parent = nullptr);
    ~TFilterGraph() override;

    bool Active() const { return FPlayer != nullptr; }
    // Creates the player and its sound output (full volume, rate 1.0) and
    // sends the activation notice with 1. Does nothing when already active.
    // Throws EDirectShowException (GraphError::NoFramework) when Qt
    // Multimedia has no usable backend or GStreamer lacks the elements the
    // player is built from; no player is built then.
    void Activate();
    // Sends the activation notice with 0, stops and drops the player.
    void Deactivate();

    // Stops and unloads the current file; the video output stays attached.
    void ClearGraph();
    // Opens the file and waits until the player has loaded it. On failure the
    // graph is left cleared and EDirectShowException is thrown.
    void RenderFile(const QString& path);
    // Play, pause and stop send their notice first, then act on the player.
    // They do nothing while the graph is not active. At the end of the file
    // the graph is neither stopped nor rewound: it stays playing (or paused)
    // there, so pause and play only change that state, and a seek plays (or
    // shows) the file from the new place.
    void Play();
    void Pause();
    void Stop();
    TGraphState State() const;

    // Seeking in reference time; false when the graph has no file loaded.
    // The stop position is the end of the file.
    bool GetDuration(TReferenceTime& duration) const;
    bool GetCurrentPosition(TReferenceTime& position) const;
    bool GetStopPosition(TReferenceTime& stop) const;
    bool SetCurrentPosition(TReferenceTime position);

    void AddListener(IGraphListener* listener);
    void RemoveListener(IGraphListener* listener);

    // The player while active, else null. Listeners attach their outputs to
    // it on the activation notice.
    QMediaPlayer* Player() const { return FPlayer; }
    // The file last rendered successfully; empty after a clear.
    QUrl Source() const;

private:
    void Notify(TGraphNotice notice, int param = 0);
    bool HasMedia() const;
    // The player has played the file to its end (and stopped there itself).
    bool AtEnd() const;

    QPointer<QMediaPlayer> FPlayer;
    QPointer<QAudioOutput> FAudioOutput;
    // The player has reported an error since it was created.
    bool FPlayerFailed = false;
    // The state last asked for by Play, Pause or Stop: what the graph is in
    // once the player has stopped at the end of the file.
    TGraphState FAsked = TGraphState::Stopped;
    std::vector<IGraphListener*> FListeners;
};
