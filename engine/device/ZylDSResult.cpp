#include "engine/device/ZylDSResult.h"

namespace {

struct TResultText {
    ZylResult Code;
    const char* Name;
    const char* Reason;
};

constexpr TResultText kResultTexts[] = {
    {DS_OK, "DS_OK", "no failure"},
    {DSERR_ALLOCATED, "DSERR_ALLOCATED", "the sound output is taken: too many sounds are open"},
    {DSERR_ALREADYINITIALIZED, "DSERR_ALREADYINITIALIZED", "the sound output is already open"},
    {DSERR_BADFORMAT, "DSERR_BADFORMAT", "the sound format is not supported"},
    {DSERR_BUFFERLOST, "DSERR_BUFFERLOST", "the sound device was lost"},
    {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL", "the sound output has no such control"},
    {DSERR_GENERIC, "DSERR_GENERIC", "the sound system failed"},
    {DSERR_INVALIDCALL, "DSERR_INVALIDCALL", "the sound output cannot do that now"},
    {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM", "the size or setting asked for is out of range"},
    {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION", "the sound system refused the request"},
    {DSERR_NODRIVER, "DSERR_NODRIVER", "the sound output device was not found"},
    {DSERR_NOINTERFACE, "DSERR_NOINTERFACE", "the sound system lacks a needed part"},
    {DSERR_OTHERAPPHASPRIO, "DSERR_OTHERAPPHASPRIO", "another program holds the sound device"},
    {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY", "out of memory"},
    {DSERR_PRIOLEVELNEEDED, "DSERR_PRIOLEVELNEEDED", "the sound device is reserved"},
    {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED", "the sound output is not open"},
    {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED", "the sound device does not support this"},
};

const TResultText* Find(ZylResult code) {
    for (const TResultText& entry : kResultTexts)
        if (entry.Code == code)
            return &entry;
    return nullptr;
}

} // namespace

const char* ZylDSResultName(ZylResult code) {
    const TResultText* entry = Find(code);
    return entry != nullptr ? entry->Name : "(Unknown)";
}

const char* ZylDSResultReason(ZylResult code) {
    const TResultText* entry = Find(code);
    return entry != nullptr ? entry->Reason : "the sound system failed for an unknown reason";
}
