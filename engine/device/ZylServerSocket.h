// A cheap first look for a sound server: whether its local socket accepts a
// connection. While a server is down the output looks again and again, and a
// full client start-up each time (configuration, plugins, threads) would
// cost far more than the player spends idling.
#pragma once

#include <string>

// True when a Unix socket at path accepts a connection.
bool ZylSocketAnswers(const std::string& path);

// Where the PipeWire daemon listens, as libpipewire itself finds it.
std::string ZylPipeWireSocketPath();
// Where the PulseAudio server listens; empty when PULSE_SERVER names the
// server (anything from a socket to a host), which only the library reads.
std::string ZylPulseSocketPath();
