#include "control/midi/VxAlsaMidi.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

namespace {

constexpr std::size_t kCodecBytes = 64;
constexpr int kPoolEvents = 2000;

std::string FullName(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    return std::string(snd_seq_client_info_get_name(client)) + ":" +
           snd_seq_port_info_get_name(port);
}

bool IsAnnouncement(int type) {
    return type == SND_SEQ_EVENT_PORT_START || type == SND_SEQ_EVENT_PORT_EXIT ||
           type == SND_SEQ_EVENT_CLIENT_START || type == SND_SEQ_EVENT_CLIENT_EXIT;
}

} // namespace

TVxAlsaMidi::~TVxAlsaMidi() {
    if (decoder_ != nullptr)
        snd_midi_event_free(decoder_);
    if (encoder_ != nullptr)
        snd_midi_event_free(encoder_);
    if (seq_ != nullptr)
        snd_seq_close(seq_);
}

bool TVxAlsaMidi::Open(const std::string& clientName, std::string& error) {
    if (access(kDevice, R_OK | W_OK) != 0) {
        error = std::string("the ALSA sequencer (") + kDevice + ") is not available";
        return false;
    }
    if (snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
        seq_ = nullptr;
        error = "the ALSA sequencer refused a client";
        return false;
    }
    snd_seq_set_client_name(seq_, clientName.c_str());
    // Room for a burst of well over a thousand messages between two reads.
    snd_seq_set_client_pool_input(seq_, kPoolEvents);
    snd_seq_set_input_buffer_size(seq_, kPoolEvents * sizeof(snd_seq_event_t));
    announcePort_ = snd_seq_create_simple_port(seq_, "announcements",
                                               SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                               SND_SEQ_PORT_TYPE_APPLICATION);
    pollfd descriptor{};
    if (announcePort_ < 0 ||
        snd_seq_connect_from(seq_, announcePort_, SND_SEQ_CLIENT_SYSTEM,
                             SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0 ||
        snd_seq_poll_descriptors(seq_, &descriptor, 1, POLLIN) != 1 ||
        snd_midi_event_new(kCodecBytes, &decoder_) < 0 ||
        snd_midi_event_new(kCodecBytes, &encoder_) < 0) {
        error = "the ALSA sequencer client could not be set up";
        return false;
    }
    snd_midi_event_no_status(decoder_, 1); // every message whole, no running status
    notifyFd_ = descriptor.fd;
    return true;
}

int TVxAlsaMidi::AddDevice(const std::string& name) {
    if (seq_ == nullptr)
        return -1;
    const std::string base = name.substr(0, 40);
    const int input = snd_seq_create_simple_port(
        seq_, (base + " in").c_str(), SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    const int output = snd_seq_create_simple_port(
        seq_, (base + " out").c_str(), SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (input < 0 || output < 0)
        return -1;
    devices_.push_back({input, output});
    return static_cast<int>(devices_.size()) - 1;
}

std::vector<std::vector<std::string>> TVxAlsaMidi::OtherPorts(bool sources) const {
    std::vector<std::vector<std::string>> out;
    if (seq_ == nullptr)
        return out;
    const unsigned wanted = sources ? SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                    : SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    const int self = snd_seq_client_id(seq_);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == self || id == SND_SEQ_CLIENT_SYSTEM)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            if ((snd_seq_port_info_get_capability(port) & wanted) != wanted ||
                (snd_seq_port_info_get_type(port) & SND_SEQ_PORT_TYPE_MIDI_GENERIC) == 0)
                continue;
            out.push_back({FullName(client, port)});
        }
    }
    return out;
}

bool TVxAlsaMidi::Address(const std::string& name, int& clientId, int& portId) const {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
        snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq_, port) >= 0) {
            if (FullName(client, port) != name)
                continue;
            clientId = snd_seq_port_info_get_client(port);
            portId = snd_seq_port_info_get_port(port);
            return true;
        }
    }
    return false;
}

bool TVxAlsaMidi::ConnectSource(const std::string& source, int device) {
    int client = 0, port = 0;
    if (seq_ == nullptr || device < 0 || device >= int(devices_.size()) ||
        !Address(source, client, port))
        return false;
    const int result = snd_seq_connect_from(seq_, devices_[device].Input, client, port);
    return result == 0 || result == -EBUSY;
}

bool TVxAlsaMidi::ConnectDestination(int device, const std::string& destination) {
    int client = 0, port = 0;
    if (seq_ == nullptr || device < 0 || device >= int(devices_.size()) ||
        !Address(destination, client, port))
        return false;
    const int result = snd_seq_connect_to(seq_, devices_[device].Output, client, port);
    return result == 0 || result == -EBUSY;
}

void TVxAlsaMidi::DisconnectSource(const std::string& source, int device) {
    int client = 0, port = 0;
    if (seq_ != nullptr && device >= 0 && device < int(devices_.size()) &&
        Address(source, client, port))
        snd_seq_disconnect_from(seq_, devices_[device].Input, client, port);
}

int TVxAlsaMidi::DeviceOfPort(int port) const {
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i].Input == port)
            return static_cast<int>(i);
    return -1;
}

bool TVxAlsaMidi::Drain(const TEventSink& sink) {
    if (seq_ == nullptr)
        return false;
    bool portsChanged = false;
    snd_seq_event_t* event = nullptr;
    // Every waiting event, in the order the sequencer queued them.
    while (snd_seq_event_input(seq_, &event) >= 0 && event != nullptr) {
        if (IsAnnouncement(event->type)) {
            portsChanged = true;
            continue;
        }
        const int device = DeviceOfPort(event->dest.port);
        unsigned char bytes[kCodecBytes];
        const long size = snd_midi_event_decode(decoder_, bytes, sizeof bytes, event);
        if (device >= 0 && size > 0)
            sink(device, bytes, static_cast<std::size_t>(size));
    }
    return portsChanged;
}

void TVxAlsaMidi::Send(int device, const std::uint8_t* data, std::size_t size) {
    if (seq_ == nullptr || device < 0 || device >= int(devices_.size()))
        return;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(encoder_);
    if (snd_midi_event_encode(encoder_, data, static_cast<long>(size), &event) <= 0 ||
        event.type == SND_SEQ_EVENT_NONE)
        return;
    snd_seq_ev_set_source(&event, devices_[device].Output);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(seq_, &event);
}
