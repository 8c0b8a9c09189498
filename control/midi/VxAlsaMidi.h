// The deck's ALSA sequencer client: each copy of the player opens its own,
// with one input and one output port per controller mapping. Events are
// read on the window thread when the sequencer's descriptor becomes
// readable; the client also listens to the system's announcements, so a
// port that comes or goes (a controller plugged or unplugged) is noticed at
// once.
//
// Window thread only.
#pragma once

#include "control/midi/VxMidiPorts.h"

#include <vector>

typedef struct _snd_seq snd_seq_t;
typedef struct snd_midi_event snd_midi_event_t;

class TVxAlsaMidi : public IVxMidiPorts {
public:
    // Where the sequencer lives; without it there is nothing to open.
    static constexpr const char* kDevice = "/dev/snd/seq";

    TVxAlsaMidi() = default;
    ~TVxAlsaMidi() override;
    TVxAlsaMidi(const TVxAlsaMidi&) = delete;
    TVxAlsaMidi& operator=(const TVxAlsaMidi&) = delete;

    bool Open(const std::string& clientName, std::string& error) override;
    bool IsOpen() const override { return seq_ != nullptr; }
    int NotifyFd() const override { return notifyFd_; }
    int AddDevice(const std::string& name) override;
    std::vector<std::vector<std::string>> OtherPorts(bool sources) const override;
    bool ConnectSource(const std::string& source, int device) override;
    bool ConnectDestination(int device, const std::string& destination) override;
    void DisconnectSource(const std::string& source, int device) override;
    bool Drain(const TEventSink& sink) override;
    void Send(int device, const std::uint8_t* data, std::size_t size) override;

private:
    struct TPair {
        int Input;
        int Output;
    };

    // The client and port of a full port name ("client name:port name").
    bool Address(const std::string& name, int& client, int& port) const;
    int DeviceOfPort(int port) const;

    snd_seq_t* seq_ = nullptr;
    snd_midi_event_t* decoder_ = nullptr;
    snd_midi_event_t* encoder_ = nullptr;
    int notifyFd_ = -1;
    int announcePort_ = -1;
    std::vector<TPair> devices_;
};
