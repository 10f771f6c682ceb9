#include "FilterGraph.h"

#include "MediaFramework.h"

#include <QAudioOutput>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The framework's text is cut to this many characters before the code is
// appended, so a long message cannot swamp the error box.
constexpr std::size_t MaxFrameworkText = 255;

std::string WithCode(const std::string& text, std::uint32_t code) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, " ($%X).", static_cast<unsigned>(code));
    return text.substr(0, MaxFrameworkText) + suffix;
}

struct RenderFailure {
    std::string Text;
    std::uint32_t Code;
};

RenderFailure DescribePlayerError(QMediaPlayer::Error error, const QString& playerText,
                                  const QString& path) {
    std::string text = playerText.toStdString();
    switch (error) {
    case QMediaPlayer::ResourceError:
        if (!QFileInfo::exists(path))
            return {text.empty() ? "The file does not exist." : text, GraphError::FileNotFound};
        return {text.empty() ? "The file cannot be played." : text, GraphError::UnsupportedStream};
    case QMediaPlayer::FormatError:
        return {"No decoder is installed for this file" + (text.empty() ? "" : ": " + text),
                GraphError::CannotRender};
    case QMediaPlayer::AccessDeniedError:
        return {text.empty() ? "Access to the file is denied." : text, GraphError::AccessDenied};
    default:
        return {text.empty() ? "The file cannot be played." : text, GraphError::Failed};
    }
}

} // namespace

EDirectShowException::EDirectShowException(const std::string& frameworkText, std::uint32_t code)
    : std::runtime_error(WithCode(frameworkText, code)), FCode(code) {}

TFilterGraph::TFilterGraph(QObject* parent) : QObject(parent) {}

TFilterGraph::~TFilterGraph() {
    Deactivate();
}

void TFilterGraph::Activate() {
    if (FPlayer) return;
    // Qt's GStreamer player crashes while it is built when the elements it
    // creates are missing: look for them first.
    const TMediaFramework framework = ProbeMediaFramework();
    const std::string problem = MediaFrameworkProblem(framework);
    if (!problem.empty()) throw EDirectShowException(problem, GraphError::NoFramework);
    // A player without any backend at all is caught here.
    auto* player = new QMediaPlayer(this);
    if (!player->isAvailable()) {
        delete player;
        throw EDirectShowException("No media framework is available for the preview: Qt "
                                   "Multimedia found no working playback backend",
                                   GraphError::NoFramework);
    }
    // Full volume. Qt's output has no balance control; the sound stays as the
    // file has it, which is the centre setting. With no sound device the
    // GStreamer backend falls back to a sink that only keeps time, so playback
    // and the position still run; other backends play without sound then.
    if (UseAudioOutput(framework)) {
        FAudioOutput = new QAudioOutput(player);
        FAudioOutput->setVolume(1.0f);
        player->setAudioOutput(FAudioOutput);
    }
    player->setPlaybackRate(1.0);
    FPlayerFailed = false;
    connect(player, &QMediaPlayer::errorOccurred, this, [this] { FPlayerFailed = true; });
    FPlayer = player;
    Notify(TGraphNotice::Activation, 1);
}

void TFilterGraph::Deactivate() {
    if (!FPlayer) return;
    Notify(TGraphNotice::Activation, 0);
    QMediaPlayer* player = FPlayer;
    FPlayer = nullptr;
    FAudioOutput = nullptr;
    player->stop();
    player->setVideoOutput(nullptr);
    delete player;
}

void TFilterGraph::ClearGraph() {
    if (!FPlayer) return;
    Stop();
    FPlayer->setSource(QUrl());
}

void TFilterGraph::RenderFile(const QString& path) {
    if (!FPlayer)
        throw EDirectShowException("The preview player is not active", GraphError::NotActive);
    // A player that has failed may still deliver that failure's late errors
    // (its pipeline reports a file it could not open more than once), which
    // would be taken for errors of the next file: start over with a new one.
    if (FPlayerFailed) {
        Deactivate();
        Activate();
    }
    Notify(TGraphNotice::FileRendering);

    const QUrl url = QUrl::fromLocalFile(path);
    // The player ignores a source equal to the one it holds, and would then
    // never report the file as loaded.
    if (FPlayer->source() == url) FPlayer->setSource(QUrl());

    // The player opens files in the background; wait here (without taking
    // user input) until it has loaded the file or given up, so the caller
    // learns at once whether the file can be played.
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    bool answered = false;
    QMediaPlayer::Error error = QMediaPlayer::NoError;
    QString errorText;
    auto finish = [&] {
        answered = true;
        loop.quit();
    };
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(
        FPlayer, &QMediaPlayer::mediaStatusChanged, &loop, [&](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia ||
                status == QMediaPlayer::InvalidMedia)
                finish();
        });
    QObject::connect(FPlayer, &QMediaPlayer::errorOccurred, &loop,
                     [&](QMediaPlayer::Error e, const QString& text) {
                         if (error == QMediaPlayer::NoError) {
                             error = e;
                             errorText = text;
                         }
                         finish();
                     });
    FPlayer->setSource(url);
    if (!answered) {
        timeout.start(RenderTimeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (FPlayer) QObject::disconnect(FPlayer, nullptr, &loop, nullptr);

    RenderFailure failure{{}, 0};
    if (!FPlayer) {
        failure = {"The preview player went away while opening the file", GraphError::NotActive};
    } else if (error != QMediaPlayer::NoError) {
        failure = DescribePlayerError(error, errorText, path);
    } else if (!answered) {
        failure = {"The media framework did not open the file in time", GraphError::Timeout};
    } else if (FPlayer->mediaStatus() == QMediaPlayer::InvalidMedia) {
        failure = DescribePlayerError(QMediaPlayer::ResourceError, FPlayer->errorString(), path);
    } else if (!FPlayer->hasAudio() && !FPlayer->hasVideo()) {
        failure = {"The file holds no sound or picture that can be played",
                   GraphError::CannotRender};
    }
    if (failure.Code != 0) {
        if (FPlayer) FPlayer->setSource(QUrl());
        throw EDirectShowException(failure.Text, failure.Code);
    }

    if (FAudioOutput) FAudioOutput->setVolume(1.0f);
    FPlayer->setPlaybackRate(1.0);
    Notify(TGraphNotice::FileRendered);
}

// The player stops by itself at the end of the file, and its play and pause
// start the file again from 0 there; the graph instead stays at the end in
// the state last asked for.
bool TFilterGraph::AtEnd() const {
    return FPlayer && FPlayer->mediaStatus() == QMediaPlayer::EndOfMedia;
}

void TFilterGraph::Play() {
    if (!FPlayer) return;
    Notify(TGraphNotice::Play);
    FAsked = TGraphState::Playing;
    if (!AtEnd()) FPlayer->play();
}

void TFilterGraph::Pause() {
    if (!FPlayer) return;
    Notify(TGraphNotice::Pause);
    FAsked = TGraphState::Paused;
    if (!AtEnd()) FPlayer->pause();
}

void TFilterGraph::Stop() {
    if (!FPlayer) return;
    Notify(TGraphNotice::Stop);
    FAsked = TGraphState::Stopped;
    FPlayer->stop();
}

TGraphState TFilterGraph::State() const {
    if (!FPlayer) return TGraphState::NotAvailable;
    if (AtEnd() && FAsked != TGraphState::Stopped) return FAsked;
    switch (FPlayer->playbackState()) {
    case QMediaPlayer::PlayingState:
        return TGraphState::Playing;
    case QMediaPlayer::PausedState:
        return TGraphState::Paused;
    default:
        return TGraphState::Stopped;
    }
}

bool TFilterGraph::HasMedia() const {
    if (!FPlayer || FPlayer->source().isEmpty()) return false;
    const auto status = FPlayer->mediaStatus();
    return status != QMediaPlayer::NoMedia && status != QMediaPlayer::InvalidMedia;
}

bool TFilterGraph::GetDuration(TReferenceTime& duration) const {
    if (!HasMedia()) return false;
    duration = FPlayer->duration() * RefTimePerMs;
    return true;
}

bool TFilterGraph::GetCurrentPosition(TReferenceTime& position) const {
    if (!HasMedia()) return false;
    position = FPlayer->position() * RefTimePerMs;
    return true;
}

bool TFilterGraph::GetStopPosition(TReferenceTime& stop) const {
    return GetDuration(stop);
}

bool TFilterGraph::SetCurrentPosition(TReferenceTime position) {
    if (!HasMedia()) return false;
    const bool atEnd = AtEnd();
    FPlayer->setPosition(position / RefTimePerMs);
    // Moved back from the end: the player takes up the state it was left in.
    if (atEnd && FAsked == TGraphState::Playing) FPlayer->play();
    if (atEnd && FAsked == TGraphState::Paused) FPlayer->pause();
    return true;
}

void TFilterGraph::AddListener(IGraphListener* listener) {
    if (std::find(FListeners.begin(), FListeners.end(), listener) == FListeners.end())
        FListeners.push_back(listener);
}

void TFilterGraph::RemoveListener(IGraphListener* listener) {
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), listener), FListeners.end());
}

QUrl TFilterGraph::Source() const {
    return FPlayer ? FPlayer->source() : QUrl();
}

void TFilterGraph::Notify(TGraphNotice notice, int param) {
    // A listener may leave the list while it is told.
    const auto listeners = FListeners;
    for (IGraphListener* listener : listeners)
        if (std::find(FListeners.begin(), FListeners.end(), listener) != FListeners.end())
            listener->GraphNotice(notice, param);
}
