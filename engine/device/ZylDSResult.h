// Result codes of the device layer. They keep the platform sound API's names
// and values inside the code; what a user reads is the plain reason.
#pragma once

#include <cstdint>

using ZylResult = int32_t;

constexpr ZylResult DS_OK = 0;
constexpr ZylResult DSERR_ALLOCATED = static_cast<ZylResult>(0x8878000A);
constexpr ZylResult DSERR_ALREADYINITIALIZED = static_cast<ZylResult>(0x88780082);
constexpr ZylResult DSERR_BADFORMAT = static_cast<ZylResult>(0x88780064);
constexpr ZylResult DSERR_BUFFERLOST = static_cast<ZylResult>(0x88780096);
constexpr ZylResult DSERR_CONTROLUNAVAIL = static_cast<ZylResult>(0x8878001E);
constexpr ZylResult DSERR_GENERIC = static_cast<ZylResult>(0x80004005);
constexpr ZylResult DSERR_INVALIDCALL = static_cast<ZylResult>(0x88780032);
constexpr ZylResult DSERR_INVALIDPARAM = static_cast<ZylResult>(0x80070057);
constexpr ZylResult DSERR_NOAGGREGATION = static_cast<ZylResult>(0x80040110);
constexpr ZylResult DSERR_NODRIVER = static_cast<ZylResult>(0x88780078);
constexpr ZylResult DSERR_NOINTERFACE = static_cast<ZylResult>(0x80004002);
constexpr ZylResult DSERR_OTHERAPPHASPRIO = static_cast<ZylResult>(0x887800A0);
constexpr ZylResult DSERR_OUTOFMEMORY = static_cast<ZylResult>(0x8007000E);
constexpr ZylResult DSERR_PRIOLEVELNEEDED = static_cast<ZylResult>(0x88780046);
constexpr ZylResult DSERR_UNINITIALIZED = static_cast<ZylResult>(0x887800AA);
constexpr ZylResult DSERR_UNSUPPORTED = static_cast<ZylResult>(0x80004001);

// The constant's name, or "(Unknown)" for any other code: for diagnostics.
const char* ZylDSResultName(ZylResult code);
// What went wrong, in plain words a message can show the user.
const char* ZylDSResultReason(ZylResult code);
