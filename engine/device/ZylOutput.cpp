#include "engine/device/ZylOutput.h"

#include "diag/Diag.h"
#include "engine/device/ZylBackendProbe.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylJackBackend.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylNullBackend.h"
#include "engine/device/ZylPipeWireBackend.h"
#include "engine/device/ZylPortAudioBackend.h"
#include "engine/device/ZylPulseBackend.h"
#include "engine/device/ZylSampleFormat.h"
#include "engine/device/ZylServerSocket.h"

#include <thread>

namespace {

// Reopening waits a quarter second, then twice as long after each failure,
// up to two seconds: a server back from a restart is heard again within
// three seconds, and a device gone for good costs next to nothing.
constexpr std::chrono::milliseconds kFirstReopenWait{250};
constexpr std::chrono::milliseconds kLongestReopenWait{2000};
// The silent clock's period while the device is lost: nobody hears it, so
// it wakes seldom and the deck idles.
constexpr std::chrono::milliseconds kSilentTick{50};
// How long one attempt waits for the lost stream's close.
constexpr std::chrono::milliseconds kBuryWait{500};

} // namespace

bool ZylIsPlayableFormat(const TWaveFormatEx& format) {
    TZylSampleType type;
    return ZylSampleTypeOf(format.wFormatTag, format.wBitsPerSample, &type) &&
           (format.nChannels == 1 || format.nChannels == 2) &&
           format.nSamplesPerSec >= kZylMinFrequency &&
           format.nSamplesPerSec <= kZylMaxSampleRate &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

TZylOutput::TZylOutput(std::unique_ptr<TZylBackend> backend, const TZylAudioChoice& choice,
                       const TZylDeviceId* id, int converter)
    : Choice(choice), HasId(id != nullptr), Id(id != nullptr ? *id : TZylDeviceId{}),
      Converter(converter), MixerPart(new TZylMixer()), Backend(std::move(backend)) {
    sem_init(&QuietSignal, 0, 0);
    MixerPart->SetQuietSignal(&QuietSignal);
    QuietThread = std::thread(&TZylOutput::QuietLoop, this);
}

TZylOutput::~TZylOutput() {
    Shutdown();
    sem_destroy(&QuietSignal);
}

std::unique_ptr<TZylBackend> TZylOutput::MakeBackend(const TZylAudioChoice& choice,
                                                     const TZylDeviceId* id, ZylResult* result) {
    *result = DS_OK;
    switch (choice.Kind) {
    case TZylBackendKind::Null:
        return std::make_unique<TZylNullBackend>(choice.HandStepped, choice.CapturePath);
    case TZylBackendKind::Jack:
        return TZylJackBackend::Create(result);
    case TZylBackendKind::PipeWire:
        return TZylPipeWireBackend::Create(id, result);
    case TZylBackendKind::Pulse:
        return TZylPulseBackend::Create(id, result);
    default:
        return TZylPortAudioBackend::Create(id, choice.HostApi, result);
    }
}

ZylResult TZylOutput::Create(const TZylDeviceId* id, std::shared_ptr<TZylOutput>* output) {
    TZylAudioChoice choice = ZylCurrentAudioChoice();
    choice.Kind = ZylResolveBackend(choice.Kind);
    ZylClearDeviceReason();
    ZylResult result = DS_OK;
    std::unique_ptr<TZylBackend> backend = MakeBackend(choice, id, &result);
    if (backend == nullptr)
        return result;
    output->reset(new TZylOutput(std::move(backend), choice, id, ZylCurrentConverter()));
    return DS_OK;
}

ZylResult TZylOutput::SetFormat(const TWaveFormatEx& format) {
    if (!ZylIsPlayableFormat(format)) {
        ZylSetDeviceReason("The sound output cannot play this format.");
        return DSERR_BADFORMAT;
    }
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (Backend == nullptr)
        return DSERR_UNINITIALIZED;
    Backend->Close();
    Streaming = false;
    MixerPart->SetFormat(format);
    const ZylResult result = Backend->Open(format, MixerPart.get());
    Streaming = result == DS_OK;
    Running();
    return result;
}

void TZylOutput::Running() {
    Quiet.store(false);
    MixerPart->NoteActivity();
}

void TZylOutput::QuietLoop() {
    while (true) {
        while (sem_wait(&QuietSignal) != 0) {
        }
        if (QuietStopping.load())
            return;
        std::lock_guard<std::mutex> lock(BackendMutex);
        if (Backend == nullptr || !Streaming || Quiet.load() || !MixerPart->IsQuiet())
            continue;
        if (!Backend->Pause())
            continue;
        Quiet.store(true);
        // A Play that read Quiet before it was set restarted the count
        // first: it is seen here.
        if (!MixerPart->IsQuiet()) {
            Backend->Resume();
            Quiet.store(false);
        }
    }
}

bool TZylOutput::Wake() {
    MixerPart->NoteActivity();
    if (!Quiet.load())
        return false;
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (!Quiet.load() || Backend == nullptr)
        return false;
    Quiet.store(false);
    if (!Backend->Resume())
        LogPrintf("Sound output: the quiet stream did not start again");
    return true;
}

void TZylOutput::Shutdown() {
    if (QuietThread.joinable()) {
        QuietStopping.store(true);
        sem_post(&QuietSignal);
        QuietThread.join();
    }
    Reopen.Stop();
    BuryDead();
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (Backend != nullptr)
        Backend->Close();
    Backend.reset();
    Streaming = false;
}

double TZylOutput::OutputLatency() {
    std::lock_guard<std::mutex> lock(BackendMutex);
    return Backend != nullptr ? Backend->OutputLatency() : 0.0;
}

bool TZylOutput::CheckLost() {
    // Runs under the player system's lock, so it never waits for a stream
    // being started again or quieted (a server's stream may take a while to
    // start): the next call looks again.
    std::unique_lock<std::mutex> lock(BackendMutex, std::try_to_lock);
    if (!lock.owns_lock() || Lost.load() || !Streaming || !Backend->HasFailed())
        return Lost.load();
    Lost.store(true);
    LogPrintf("Sound output lost [%s]", ZylDSResultName(DSERR_BUFFERLOST));
    DIAG_REPORT(kDiagReported,
                "%s: the sound output stopped (the server or device went away). The deck plays "
                "on silently and sound returns by itself when the output is back.",
                Backend->Name());
    LostServers = Backend->ServerSockets();
    MixerPart->SetHeard(false);
    Backend->Abandon();
    Dead = std::move(Backend);
    Backend = std::make_unique<TZylNullBackend>(Choice.HandStepped, std::string(), kSilentTick);
    Streaming = Backend->Open(MixerPart->Format(), MixerPart.get()) == DS_OK;
    Running();
    Reopen.Start([this] { return TryReopen(); }, kFirstReopenWait, kLongestReopenWait);
    return true;
}

// Closes the lost back end on a thread of its own and waits a little for
// it. True once it is closed: only then may the sound system start afresh.
bool TZylOutput::BuryDead() {
    if (Buried == nullptr) {
        std::unique_ptr<TZylBackend> dead;
        {
            std::lock_guard<std::mutex> lock(BackendMutex);
            dead = std::move(Dead);
        }
        if (dead == nullptr)
            return true;
        Buried = std::make_shared<std::atomic<bool>>(false);
        std::thread([dead = std::move(dead), buried = Buried]() mutable {
            dead.reset();
            buried->store(true);
        }).detach();
    }
    const auto deadline = std::chrono::steady_clock::now() + kBuryWait;
    while (!Buried->load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return Buried->load();
}

bool TZylOutput::TryReopen() {
    // A sound server lets a client reconnect only once the dead connection
    // is closed.
    if (!BuryDead())
        return false;
    Buried.reset();
    for (const std::string& socket : LostServers)
        if (!ZylSocketAnswers(socket))
            return false;
    ZylResult result = DS_OK;
    std::unique_ptr<TZylBackend> device = MakeBackend(Choice, HasId ? &Id : nullptr, &result);
    if (device == nullptr)
        return false;
    std::lock_guard<std::mutex> lock(BackendMutex);
    Backend->Close();
    MixerPart->SetHeard(true);
    if (device->Open(MixerPart->Format(), MixerPart.get()) != DS_OK) {
        MixerPart->SetHeard(false);
        Streaming = Backend->Open(MixerPart->Format(), MixerPart.get()) == DS_OK;
        Running();
        return false;
    }
    Backend = std::move(device);
    Streaming = true;
    Lost.store(false);
    Running();
    DIAG_REPORT(kDiagReported, "%s: the sound output is back.", Backend->Name());
    return true;
}
