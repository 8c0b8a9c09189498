#include "engine/device/ZylDSResult.h"

namespace {

struct TResultName {
    ZylResult Code;
    const char* Name;
};

constexpr TResultName kResultNames[] = {
    {DS_OK, "DS_OK"},
    {DSERR_ALLOCATED, "DSERR_ALLOCATED"},
    {DSERR_ALREADYINITIALIZED, "DSERR_ALREADYINITIALIZED"},
    {DSERR_BADFORMAT, "DSERR_BADFORMAT"},
    {DSERR_BUFFERLOST, "DSERR_BUFFERLOST"},
    {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL"},
    {DSERR_GENERIC, "DSERR_GENERIC"},
    {DSERR_INVALIDCALL, "DSERR_INVALIDCALL"},
    {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM"},
    {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION"},
    {DSERR_NODRIVER, "DSERR_NODRIVER"},
    {DSERR_NOINTERFACE, "DSERR_NOINTERFACE"},
    {DSERR_OTHERAPPHASPRIO, "DSERR_OTHERAPPHASPRIO"},
    {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY"},
    {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED"},
    {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED"},
    {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED"},
};

} // namespace

const char* ZylDSResultName(ZylResult code) {
    for (const TResultName& entry : kResultNames)
        if (entry.Code == code)
            return entry.Name;
    return "(Unknown)";
}
