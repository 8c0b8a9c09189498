#include "frontend/VxInput.h"

#include "diag/Diag.h"

#include <chrono>
#include <cstring>
#include <memory>

namespace {

struct TReader {
    bool Initialised = false;
    std::unique_ptr<TVxKeyboardDevice> Device;
    std::uint8_t Tables[2][kVxKeyTableSize] = {};
    // Current and previous reading; swapped after every reading.
    std::uint8_t* Current = Tables[0];
    std::uint8_t* Previous = Tables[1];
    std::uint32_t Watched[kVxMaxWatchedKeys] = {};
    int WatchCount = 0;
};

TReader& Reader() {
    static TReader reader;
    return reader;
}

std::uint32_t TickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ResetTables(TReader& reader) {
    reader.Current = reader.Tables[0];
    reader.Previous = reader.Tables[1];
    std::memset(reader.Previous, 0, kVxKeyTableSize);
}

int NotInitialised() {
    DIAG_REPORT(kDiagReported, "%s", "VxInput: Not initialized");
    return kDiagReported;
}

VxResult ReadState(TReader& reader) {
    return reader.Device->GetDeviceState(reader.Current);
}

int ReportStateError(VxResult result) {
    DIAG_REPORT(kDiagReported, "VxInput: Error retrieving keyboard state [%s]",
                VxInputErrorName(result));
    return kDiagReported;
}

} // namespace

int VxInputStart(const void* instance, const void* window) {
    (void)instance; // the module instance identifies nothing here
    TReader& reader = Reader();
    if (reader.Initialised)
        VxInputStop();
    auto device = std::make_unique<TVxKeyboardDevice>();
    const VxResult result = device->SetCooperativeLevel(window);
    if (!VxSucceeded(result)) {
        DIAG_REPORT(kDiagReported, "VxInput: Error setting cooperative level [%s]",
                    VxInputErrorName(result));
        return kDiagReported;
    }
    reader.Device = std::move(device);
    ResetTables(reader);
    reader.WatchCount = 0;
    reader.Initialised = true;
    return 0;
}

void VxInputStop() {
    TReader& reader = Reader();
    if (!reader.Initialised)
        return;
    reader.Device->Unacquire();
    reader.Device.reset();
    reader.WatchCount = 0;
    reader.Initialised = false;
}

void VxInputWatch(const std::uint32_t* keys) {
    TReader& reader = Reader();
    reader.WatchCount = 0;
    for (; keys != nullptr && *keys != 0 && reader.WatchCount < kVxMaxWatchedKeys; ++keys) {
        // A code beyond the state table names no key: it would be read from
        // outside the table.
        if (*keys < kVxKeyTableSize)
            reader.Watched[reader.WatchCount++] = *keys;
    }
}

int VxInputRead(TVxKeyEvent* events, int* count, int capacity) {
    *count = 0;
    TReader& reader = Reader();
    if (!reader.Initialised)
        return NotInitialised();
    VxResult result = ReadState(reader);
    if (result == kDierrInputLost || result == kDierrNotAcquired) {
        if (VxInputReacquire() != 0) {
            DIAG_REPORT(kDiagSilent, "%s", "");
            return kDiagSilent;
        }
        result = ReadState(reader);
    }
    if (!VxSucceeded(result))
        return ReportStateError(result);

    const std::uint32_t now = TickCount();
    int made = 0;
    for (int i = 0; i < reader.WatchCount && made < capacity; ++i) {
        const std::uint32_t key = reader.Watched[i];
        if (reader.Current[key] != reader.Previous[key])
            events[made++] = {reader.Watched[i], reader.Current[key], now};
    }
    std::swap(reader.Current, reader.Previous);
    *count = made;
    return 0;
}

int VxInputReleaseAll(TVxKeyEvent* events, int* count, int capacity) {
    *count = 0;
    TReader& reader = Reader();
    if (!reader.Initialised)
        return NotInitialised();
    const std::uint32_t now = TickCount();
    int made = 0;
    for (int i = 0; i < reader.WatchCount && made < capacity; ++i) {
        const std::uint32_t key = reader.Watched[i];
        if ((reader.Previous[key] & kVxKeyPressed) != 0)
            events[made++] = {reader.Watched[i], 0, now};
    }
    *count = made;
    return 0;
}

int VxInputReacquire() {
    TReader& reader = Reader();
    if (!reader.Initialised)
        return NotInitialised();
    const VxResult result = reader.Device->Acquire();
    // Another application holding the keyboard counts as re-acquired: the
    // readings fail until it lets go.
    if (VxSucceeded(result) || result == kDierrOtherAppHasPrio) {
        ResetTables(reader);
        return 0;
    }
    DIAG_REPORT(kDiagReported, "VxInput: Error re-acquiring keyboard device [%s]",
                VxInputErrorName(result));
    return kDiagReported;
}

const char* VxInputErrorName(VxResult result) {
    struct TName {
        VxResult Code;
        const char* Name;
    };
    static constexpr TName kNames[] = {
        {0, "DI_OK"},
        {1, "DI_BUFFEROVERFLOW"},
        {2, "DI_POLLEDDEVICE"},
        {0x8000000A, "E_PENDING"},
        {0x80004001, "DIERR_UNSUPPORTED"},
        {0x80004002, "DIERR_NOINTERFACE"},
        {0x80004005, "DIERR_GENERIC"},
        {0x80040110, "DIERR_NOAGGREGATION"},
        {0x80040154, "DIERR_DEVICENOTREG"},
        {0x80070005, "DIERR_OTHERAPPHASPRIO"},
        {0x8007000C, "DIERR_NOTACQUIRED"},
        {0x8007000E, "DIERR_OUTOFMEMORY"},
        {0x80070015, "DIERR_NOTINITIALIZED"},
        {0x8007001E, "DIERR_INPUTLOST"},
        {0x80070057, "DIERR_INVALIDPARAM"},
        {0x80070077, "DIERR_BADDRIVERVER"},
        {0x800700AA, "DIERR_ACQUIRED"},
        {0x8007047E, "DIERR_OLDDIRECTINPUTVERSION"},
        {0x80070481, "DIERR_BETADIRECTINPUTVERSION"},
        {0x800704DF, "DIERR_ALREADYINITIALIZED"},
    };
    for (const TName& name : kNames)
        if (name.Code == result)
            return name.Name;
    return "(Generic)";
}
