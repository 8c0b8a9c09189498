// The controller of the end-to-end test: a JACK MIDI client whose port the
// player connects to, sending what its standard input says, one command a
// line:
//   wait                     until something listens to the port (30 s)
//   send B1 B2 [B3]          one message, bytes in hexadecimal
//   repeat N MS B1 B2 [B3]   the message N times, MS milliseconds apart
//   flush                    until everything queued has gone out
// Usage: vx_jack_midi_send CLIENT-NAME. Exit status 1 when no server
// answers or nobody listens in time.
#include "tests/control/JackMidiSender.h"

#include <cstdio>
#include <iostream>
#include <sstream>

namespace {

std::vector<std::uint8_t> Bytes(std::istringstream& in) {
    std::vector<std::uint8_t> bytes;
    std::string hex;
    while (in >> hex)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_jack_midi_send CLIENT-NAME\n");
        return 2;
    }
    TJackMidiSender sender;
    if (!sender.Open(argv[1])) {
        std::fprintf(stderr, "vx_jack_midi_send: no JACK server answered\n");
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "wait") {
            if (!sender.WaitConnected(std::chrono::seconds(30))) {
                std::fprintf(stderr, "vx_jack_midi_send: nobody connected to the port\n");
                return 1;
            }
        } else if (command == "send") {
            sender.Send(Bytes(in));
        } else if (command == "repeat") {
            int count = 0, ms = 0;
            in >> count >> ms;
            const std::vector<std::uint8_t> bytes = Bytes(in);
            for (int i = 0; i < count; ++i) {
                sender.Send(bytes);
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            }
        } else if (command == "flush") {
            sender.Flush();
        }
        std::printf("done %s\n", command.c_str());
        std::fflush(stdout);
    }
    sender.Flush();
    return 0;
}
