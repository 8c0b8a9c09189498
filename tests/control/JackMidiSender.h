// A JACK MIDI client of the tests' own: one output port that sends queued
// messages in order, as many per period as the port's buffer takes, the
// rest in the following periods.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class TJackMidiSender {
public:
    // False when no server answers.
    bool Open(const std::string& clientName) {
        client_ = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
        if (client_ == nullptr)
            return false;
        port_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        ring_ = jack_ringbuffer_create(1 << 17);
        jack_set_process_callback(client_, &Process, this);
        return port_ != nullptr && jack_activate(client_) == 0;
    }
    ~TJackMidiSender() {
        if (client_ != nullptr)
            jack_client_close(client_);
        if (ring_ != nullptr)
            jack_ringbuffer_free(ring_);
    }

    std::string PortName() const { return jack_port_name(port_); }
    jack_client_t* Client() const { return client_; }

    // Waits until something listens to the port; false after the time-out.
    bool WaitConnected(std::chrono::milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (jack_port_connected(port_) == 0) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // One message of one to three bytes.
    void Send(const std::vector<std::uint8_t>& bytes) {
        const char size = static_cast<char>(bytes.size());
        while (jack_ringbuffer_write_space(ring_) < bytes.size() + 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Sizes and bytes go in one write, so the reader never sees half.
        std::vector<char> record{size};
        record.insert(record.end(), bytes.begin(), bytes.end());
        jack_ringbuffer_write(ring_, record.data(), record.size());
    }

    // Waits until everything queued has been handed to the server.
    void Flush() {
        while (jack_ringbuffer_read_space(ring_) > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

private:
    static int Process(jack_nframes_t frames, void* self) {
        auto* sender = static_cast<TJackMidiSender*>(self);
        void* buffer = jack_port_get_buffer(sender->port_, frames);
        jack_midi_clear_buffer(buffer);
        char size = 0;
        while (jack_ringbuffer_peek(sender->ring_, &size, 1) == 1) {
            char record[4];
            if (jack_ringbuffer_peek(sender->ring_, record, 1 + size) != std::size_t(1 + size))
                break;
            if (jack_midi_event_write(buffer, 0, reinterpret_cast<jack_midi_data_t*>(record + 1),
                                      static_cast<std::size_t>(size)) != 0)
                break; // the port is full this period: the rest goes next time
            jack_ringbuffer_read_advance(sender->ring_, 1 + size);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    jack_ringbuffer_t* ring_ = nullptr;
};
