#include "preview/MediaFramework.h"

#include "platform/Library.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QMediaDevices>
#include <QtGlobal>

namespace {

constexpr const char* GStreamerLibrary = "libgstreamer-1.0.so.0";

// GStreamer's C functions the probe calls, with their C types spelled out
// (gboolean is int, gpointer void*, GError** a pointer).
using GstIsInitialized = int (*)();
using GstInitCheck = int (*)(int*, char***, void**);
using GstElementFactoryFind = void* (*)(const char*);
using GstObjectUnref = void (*)(void*);

template <typename Function> Function Symbol(const LoadedLibrary& library, const char* name) {
    return reinterpret_cast<Function>(library.Function(name));
}

// The required elements the registry does not know; all of them when the
// library cannot be asked.
std::vector<std::string> MissingElements(const LoadedLibrary& gstreamer) {
    const auto isInitialized = Symbol<GstIsInitialized>(gstreamer, "gst_is_initialized");
    const auto initCheck = Symbol<GstInitCheck>(gstreamer, "gst_init_check");
    const auto find = Symbol<GstElementFactoryFind>(gstreamer, "gst_element_factory_find");
    const auto unref = Symbol<GstObjectUnref>(gstreamer, "gst_object_unref");
    if (!isInitialized || !initCheck || !find || !unref) return RequiredGStreamerElements();
    // Qt's backend has initialised it when it loaded; initialising again is
    // harmless and reads the registry when that has not happened.
    if (!isInitialized() && !initCheck(nullptr, nullptr, nullptr))
        return RequiredGStreamerElements();
    std::vector<std::string> missing;
    for (const std::string& name : RequiredGStreamerElements()) {
        void* factory = find(name.c_str());
        if (factory)
            unref(factory);
        else
            missing.push_back(name);
    }
    return missing;
}

} // namespace

const std::vector<std::string>& RequiredGStreamerElements() {
    // uridecodebin and decodebin (base plugins, "playback"): missing, Qt
    // 6.4's player crashes while it is built. queue and input-selector
    // (core elements): missing, it cannot be built. videoconvert and
    // videoscale (base plugins): missing, no file with a picture plays.
    static const std::vector<std::string> elements{"uridecodebin",   "decodebin",    "queue",
                                                   "input-selector", "videoconvert", "videoscale"};
    return elements;
}

TMediaFramework ProbeMediaFramework() {
    TMediaFramework framework;
    // Asking for the devices makes Qt load its backend, and so GStreamer
    // when that is the backend.
    framework.HasAudioOutput = !QMediaDevices::audioOutputs().isEmpty();
    const QByteArray named = qgetenv("QT_MEDIA_BACKEND");
    if (!named.isEmpty() && named != "gstreamer") return framework;
    // Only a library that is already loaded counts: that is Qt's backend.
    const LoadedLibrary gstreamer(GStreamerLibrary);
    if (gstreamer.Found()) {
        framework.Backend = TMediaBackend::GStreamer;
        framework.MissingElements = MissingElements(gstreamer);
    }
    return framework;
}

std::string MediaFrameworkProblem(const TMediaFramework& framework) {
    if (framework.Backend != TMediaBackend::GStreamer || framework.MissingElements.empty())
        return {};
    std::string names;
    for (const std::string& name : framework.MissingElements)
        names += (names.empty() ? "" : ", ") + name;
    return "The preview cannot play: GStreamer lacks the elements " + names +
           " (install the GStreamer base plugins)";
}

bool UseAudioOutput(const TMediaFramework& framework) {
    return framework.Backend == TMediaBackend::GStreamer || framework.HasAudioOutput;
}
