// The deck's side of a MIDI system: one input and one output port per
// controller mapping, events handed over on the window thread when a file
// descriptor becomes readable, and word when other ports come and go. The
// JACK MIDI client and the ALSA sequencer client both serve it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IVxMidiPorts {
public:
    using TEventSink = std::function<void(int port, const std::uint8_t* data, std::size_t size)>;

    virtual ~IVxMidiPorts() = default;

    // Joins the MIDI system as clientName. False with the reason.
    virtual bool Open(const std::string& clientName, std::string& error) = 0;
    virtual bool IsOpen() const = 0;
    // Readable while events or port changes wait; -1 when closed.
    virtual int NotifyFd() const = 0;
    // A pair of ports named after the device; the pair's index, or -1.
    virtual int AddDevice(const std::string& name) = 0;
    // The other clients' MIDI ports of that direction: each entry lists a
    // port's full name first, then its aliases.
    virtual std::vector<std::vector<std::string>> OtherPorts(bool sources) const = 0;
    // Already connected counts as done.
    virtual bool ConnectSource(const std::string& source, int device) = 0;
    virtual bool ConnectDestination(int device, const std::string& destination) = 0;
    virtual void DisconnectSource(const std::string& source, int device) = 0;
    // Hands over every waiting event in order; true when other ports came
    // or went since the last call.
    virtual bool Drain(const TEventSink& sink) = 0;
    // Queues bytes for a device's output.
    virtual void Send(int device, const std::uint8_t* data, std::size_t size) = 0;
};
