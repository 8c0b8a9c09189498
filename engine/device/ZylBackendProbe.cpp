#include "engine/device/ZylBackendProbe.h"

#include "engine/device/ZylPipeWireBackend.h"
#include "engine/device/ZylPulseBackend.h"

TZylBackendKind ZylResolveBackend(TZylBackendKind kind) {
    if (kind != TZylBackendKind::Auto)
        return kind;
    if (TZylPipeWireBackend::ServerAnswers())
        return TZylBackendKind::PipeWire;
    if (TZylPulseBackend::ServerAnswers())
        return TZylBackendKind::Pulse;
    return TZylBackendKind::PortAudio;
}
