#include "control/midi/VxMidiMessage.h"

namespace {

// Data bytes after a status byte; -1 for system exclusive, which runs to
// its end byte.
int DataBytes(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    case 0xF0:
        break;
    default:
        return 2;
    }
    switch (status) {
    case 0xF0:
        return -1;
    case 0xF1:
    case 0xF3:
        return 1;
    case 0xF2:
        return 2;
    default:
        return 0;
    }
}

} // namespace

std::vector<std::uint8_t> VxMidiBytes(const TVxMidiMessage& message) {
    const std::uint8_t channel = message.Channel & 0x0F;
    switch (message.Kind) {
    case TVxMidiKind::Note:
        return {static_cast<std::uint8_t>(0x90 | channel),
                static_cast<std::uint8_t>(message.Number & 0x7F),
                static_cast<std::uint8_t>(message.Value & 0x7F)};
    case TVxMidiKind::Control:
        return {static_cast<std::uint8_t>(0xB0 | channel),
                static_cast<std::uint8_t>(message.Number & 0x7F),
                static_cast<std::uint8_t>(message.Value & 0x7F)};
    case TVxMidiKind::PitchBend:
        return {static_cast<std::uint8_t>(0xE0 | channel),
                static_cast<std::uint8_t>(message.Value & 0x7F),
                static_cast<std::uint8_t>((message.Value >> 7) & 0x7F)};
    }
    return {};
}

void TVxMidiParser::Feed(const std::uint8_t* data, std::size_t size, const TSink& sink) {
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte >= 0xF8)
            continue; // real-time bytes may fall anywhere and change nothing
        if (byte & 0x80)
            Status(byte);
        else
            Data(byte, sink);
    }
}

void TVxMidiParser::Status(std::uint8_t byte) {
    have_ = 0;
    need_ = DataBytes(byte);
    // A system message ends the running status; one without data bytes (the
    // end of an exclusive block, a tune request) leaves nothing to run on.
    status_ = byte < 0xF0 || need_ != 0 ? byte : 0;
}

void TVxMidiParser::Data(std::uint8_t byte, const TSink& sink) {
    if (status_ == 0 || need_ < 0)
        return; // no status, or inside a system exclusive block
    data_[have_++] = byte;
    if (have_ < need_)
        return;
    have_ = 0;
    const std::uint8_t status = status_;
    if (status >= 0xF0) {
        status_ = 0; // system common messages do not run
        return;
    }
    TVxMidiMessage message;
    message.Channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80:
        message.Number = data_[0];
        message.Value = 0;
        break;
    case 0x90:
        message.Number = data_[0];
        message.Value = data_[1];
        break;
    case 0xB0:
        message.Kind = TVxMidiKind::Control;
        message.Number = data_[0];
        message.Value = data_[1];
        break;
    case 0xE0:
        message.Kind = TVxMidiKind::PitchBend;
        message.Value = static_cast<std::uint16_t>(data_[0] | (data_[1] << 7));
        break;
    default:
        return; // aftertouch, programs, channel pressure: nothing to bind
    }
    sink(message);
}
