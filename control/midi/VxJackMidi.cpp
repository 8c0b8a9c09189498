#include "control/midi/VxJackMidi.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>

namespace {

// Room for a burst of well over a thousand messages between two reads.
constexpr std::size_t kRingBytes = 1 << 16;

// A ring record: the device's index, the event's length, its bytes.
struct TRecordHead {
    std::uint8_t Device;
    std::uint8_t Size;
};

void Silent(const char*) {}

std::string PortName(const std::string& device, const char* direction) {
    // The server refuses some characters in port names, and long names.
    std::string name = device.substr(0, 40);
    for (char& c : name)
        if (c == ':')
            c = '-';
    return name + " " + direction;
}

} // namespace

TVxJackMidi::~TVxJackMidi() {
    Close();
}

bool TVxJackMidi::Open(const std::string& clientName, std::string& error) {
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);
    client_ = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client_ == nullptr) {
        error = "no JACK server is running";
        return false;
    }
    in_ = jack_ringbuffer_create(kRingBytes);
    out_ = jack_ringbuffer_create(kRingBytes);
    notifyFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (in_ == nullptr || out_ == nullptr || notifyFd_ < 0 ||
        jack_set_process_callback(client_, &Process, this) != 0 ||
        jack_set_port_registration_callback(client_, &PortRegistered, this) != 0 ||
        jack_activate(client_) != 0) {
        error = "the JACK server refused the MIDI client";
        Close();
        return false;
    }
    return true;
}

void TVxJackMidi::Close() {
    if (client_ != nullptr) {
        jack_deactivate(client_);
        jack_client_close(client_);
        client_ = nullptr;
    }
    for (jack_ringbuffer_t** ring : {&in_, &out_}) {
        if (*ring != nullptr)
            jack_ringbuffer_free(*ring);
        *ring = nullptr;
    }
    if (notifyFd_ >= 0)
        close(notifyFd_);
    notifyFd_ = -1;
}

int TVxJackMidi::AddDevice(const std::string& name) {
    const int index = devices_.load();
    if (client_ == nullptr || index >= kMaxPorts)
        return -1;
    jack_port_t* input = jack_port_register(client_, PortName(name, "in").c_str(),
                                            JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_port_t* output = jack_port_register(client_, PortName(name, "out").c_str(),
                                             JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (input == nullptr || output == nullptr)
        return -1;
    inputs_[index].store(input);
    outputs_[index].store(output);
    devices_.store(index + 1); // the process callback sees the pair whole
    return index;
}

std::vector<std::vector<std::string>> TVxJackMidi::OtherPorts(bool sources) const {
    std::vector<std::vector<std::string>> out;
    if (client_ == nullptr)
        return out;
    const char** names = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        sources ? JackPortIsOutput : JackPortIsInput);
    if (names == nullptr)
        return out;
    const std::string own = std::string(jack_get_client_name(client_)) + ":";
    for (const char** name = names; *name != nullptr; ++name) {
        if (std::strncmp(*name, own.c_str(), own.size()) == 0)
            continue;
        std::vector<std::string> entry{*name};
        if (jack_port_t* port = jack_port_by_name(client_, *name)) {
            std::vector<char> first(jack_port_name_size()), second(jack_port_name_size());
            char* aliases[2] = {first.data(), second.data()};
            const int count = jack_port_get_aliases(port, aliases);
            for (int i = 0; i < count; ++i)
                entry.emplace_back(aliases[i]);
        }
        out.push_back(std::move(entry));
    }
    jack_free(names);
    return out;
}

bool TVxJackMidi::ConnectSource(const std::string& source, int device) {
    if (client_ == nullptr || device < 0 || device >= devices_.load())
        return false;
    const int result = jack_connect(client_, source.c_str(), jack_port_name(inputs_[device]));
    return result == 0 || result == EEXIST;
}

void TVxJackMidi::DisconnectSource(const std::string& source, int device) {
    if (client_ != nullptr && device >= 0 && device < devices_.load())
        jack_disconnect(client_, source.c_str(), jack_port_name(inputs_[device]));
}

bool TVxJackMidi::ConnectDestination(int device, const std::string& destination) {
    if (client_ == nullptr || device < 0 || device >= devices_.load())
        return false;
    const int result = jack_connect(client_, jack_port_name(outputs_[device]), destination.c_str());
    return result == 0 || result == EEXIST;
}

bool TVxJackMidi::Drain(const TEventSink& sink) {
    if (client_ == nullptr)
        return false;
    std::uint64_t count = 0;
    // Cleared first: an event written after this read signals again.
    [[maybe_unused]] const ssize_t cleared = read(notifyFd_, &count, sizeof count);
    TRecordHead head;
    std::uint8_t bytes[kMaxEventBytes];
    while (jack_ringbuffer_read_space(in_) >= sizeof head) {
        jack_ringbuffer_read(in_, reinterpret_cast<char*>(&head), sizeof head);
        jack_ringbuffer_read(in_, reinterpret_cast<char*>(bytes), head.Size);
        sink(head.Device, bytes, head.Size);
    }
    return portsChanged_.exchange(false);
}

void TVxJackMidi::Send(int device, const std::uint8_t* data, std::size_t size) {
    if (client_ == nullptr || device < 0 || device >= devices_.load() || size == 0 ||
        size > kMaxEventBytes)
        return;
    const TRecordHead head{static_cast<std::uint8_t>(device), static_cast<std::uint8_t>(size)};
    if (jack_ringbuffer_write_space(out_) < sizeof head + size)
        return;
    char record[sizeof head + kMaxEventBytes];
    std::memcpy(record, &head, sizeof head);
    std::memcpy(record + sizeof head, data, size);
    jack_ringbuffer_write(out_, record, sizeof head + size);
}

int TVxJackMidi::Process(std::uint32_t frames, void* self) {
    auto* midi = static_cast<TVxJackMidi*>(self);
    bool any = false;
    midi->ProcessInputs(frames, any);
    midi->ProcessOutputs(frames);
    if (any)
        midi->Signal();
    return 0;
}

void TVxJackMidi::ProcessInputs(std::uint32_t frames, bool& any) {
    const int devices = devices_.load();
    for (int device = 0; device < devices; ++device) {
        void* buffer = jack_port_get_buffer(inputs_[device].load(), frames);
        const std::uint32_t count = jack_midi_get_event_count(buffer);
        for (std::uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0 ||
                event.size > kMaxEventBytes)
                continue;
            const TRecordHead head{static_cast<std::uint8_t>(device),
                                   static_cast<std::uint8_t>(event.size)};
            if (jack_ringbuffer_write_space(in_) < sizeof head + event.size) {
                dropped_.fetch_add(1);
                continue;
            }
            // One write of head and bytes, so the reader never sees half.
            char record[sizeof head + kMaxEventBytes];
            std::memcpy(record, &head, sizeof head);
            std::memcpy(record + sizeof head, event.buffer, event.size);
            jack_ringbuffer_write(in_, record, sizeof head + event.size);
            any = true;
        }
    }
}

void TVxJackMidi::ProcessOutputs(std::uint32_t frames) {
    const int devices = devices_.load();
    void* buffers[kMaxPorts];
    for (int device = 0; device < devices; ++device) {
        buffers[device] = jack_port_get_buffer(outputs_[device].load(), frames);
        jack_midi_clear_buffer(buffers[device]);
    }
    TRecordHead head;
    while (jack_ringbuffer_read_space(out_) >= sizeof head) {
        // Send queues only devices that exist, and devices never go away.
        jack_ringbuffer_read(out_, reinterpret_cast<char*>(&head), sizeof head);
        std::uint8_t bytes[kMaxEventBytes];
        jack_ringbuffer_read(out_, reinterpret_cast<char*>(bytes), head.Size);
        jack_midi_event_write(buffers[head.Device], 0, bytes, head.Size);
    }
}

void TVxJackMidi::PortRegistered(std::uint32_t, int, void* self) {
    auto* midi = static_cast<TVxJackMidi*>(self);
    midi->portsChanged_.store(true);
    midi->Signal();
}

void TVxJackMidi::Signal() {
    const std::uint64_t one = 1;
    // A full counter already wakes the reader; nothing else can fail here.
    [[maybe_unused]] const ssize_t written = write(notifyFd_, &one, sizeof one);
}
