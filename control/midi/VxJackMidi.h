// The deck's JACK MIDI client: one input and one output port per controller
// mapping. The process callback copies every input event into a lock-free
// ring and signals a file descriptor; the window thread drains the ring when
// the descriptor becomes readable, so an idle controller wakes nobody and a
// burst arrives whole and in order. Port registrations on the server (a
// controller plugged or unplugged) signal the same descriptor.
//
// Threads: the window thread calls everything; the server's threads run the
// callbacks, which touch only atomics, the rings and the descriptor.
#pragma once

#include "control/midi/VxMidiPorts.h"

#include <jack/ringbuffer.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

class TVxJackMidi : public IVxMidiPorts {
public:
    static constexpr int kMaxPorts = 16;
    // Longer events are system exclusive blocks, which nothing binds.
    static constexpr std::size_t kMaxEventBytes = 32;

    TVxJackMidi() = default;
    ~TVxJackMidi() override;
    TVxJackMidi(const TVxJackMidi&) = delete;
    TVxJackMidi& operator=(const TVxJackMidi&) = delete;

    // Joins the running server (never starts one). False with the reason.
    bool Open(const std::string& clientName, std::string& error) override;
    bool IsOpen() const override { return client_ != nullptr; }
    // Readable while events or port changes wait; -1 when closed.
    int NotifyFd() const override { return notifyFd_; }

    // A pair of ports named after the device; the pair's index, or -1.
    int AddDevice(const std::string& name) override;
    // The other clients' MIDI ports of that direction, with their aliases:
    // each entry lists a port's full name first.
    std::vector<std::vector<std::string>> OtherPorts(bool sources) const override;
    // Connects a source to a device's input, or a device's output to a
    // destination; already connected counts as done.
    bool ConnectSource(const std::string& source, int device) override;
    bool ConnectDestination(int device, const std::string& destination) override;
    void DisconnectSource(const std::string& source, int device) override;

    // Clears the descriptor, then hands over every waiting event in order.
    // True when the server's ports changed since the last call.
    bool Drain(const TEventSink& sink) override;
    // Queues bytes for a device's output; sent in the next period.
    void Send(int device, const std::uint8_t* data, std::size_t size) override;
    // Events dropped because the ring was full (never expected).
    std::uint64_t Dropped() const { return dropped_.load(); }

private:
    static int Process(std::uint32_t frames, void* self);
    static void PortRegistered(std::uint32_t port, int registered, void* self);
    void ProcessInputs(std::uint32_t frames, bool& any);
    void ProcessOutputs(std::uint32_t frames);
    void Signal();
    void Close();

    jack_client_t* client_ = nullptr;
    jack_ringbuffer_t* in_ = nullptr;
    jack_ringbuffer_t* out_ = nullptr;
    int notifyFd_ = -1;
    std::atomic<jack_port_t*> inputs_[kMaxPorts] = {};
    std::atomic<jack_port_t*> outputs_[kMaxPorts] = {};
    std::atomic<int> devices_{0};
    std::atomic<bool> portsChanged_{false};
    std::atomic<std::uint64_t> dropped_{0};
};
