// The sound outputs, listed on a thread of their own while the window is
// built and shown: opening the sound library (PortAudio probes every ALSA
// card and connects to the JACK server; the desktop servers are asked for
// their sinks) takes longer than building the whole deck. The list is handed
// to the window thread once, by a queued call, or at once when the window
// needs it sooner (a song to open, the options dialog).
//
// Start, Take and the destructor run on the window thread only.
#pragma once

#include "engine/device/ZylDS.h"

#include <QObject>

#include <functional>
#include <thread>

class TVxDeviceListing {
public:
    using TEnumerate = std::function<void(TZylDeviceList& devices)>;

    TVxDeviceListing() = default;
    // Waits for a listing still running; frees a list nobody took.
    ~TVxDeviceListing();
    TVxDeviceListing(const TVxDeviceListing&) = delete;
    TVxDeviceListing& operator=(const TVxDeviceListing&) = delete;

    // Lists on a new thread; ready then runs on context's thread, unless
    // the list was taken before.
    void Start(TEnumerate enumerate, QObject* context, std::function<void()> ready);
    // Whether the list is still to be taken.
    bool Pending() const { return started_ && !taken_; }
    // Waits for the listing and takes its list; empty once taken.
    TZylDeviceList Take();

private:
    std::thread thread_;
    TZylDeviceList devices_;
    bool started_ = false;
    bool taken_ = false;
};
