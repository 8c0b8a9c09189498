#include "decoding/ModuleFFmpeg.h"

#include "decoding/FFmpegFormats.h"
#include "decoding/MediaModule.h"
#include "diag/Diag.h"

int TVxModuleFFmpegTAG::Accepts(const char* path) {
    return IsFFmpegSongFile(path);
}

bool TVxModuleFFmpegTAG::Reach() {
    if (Decoder)
        return true;
    const TVxMediaLoad& module = VxMediaModule();
    if (module.Entries == nullptr) {
        DIAG_REPORT(kDiagReported, "%s", module.Error.c_str());
        return false;
    }
    Decoder.reset(module.Entries->MakeFFmpegDecoder());
    return true;
}

void TVxModuleFFmpegTAG::Mirror() {
    IsOpen = Decoder->IsOpen;
    BytesPerFrame = Decoder->BytesPerFrame;
    LengthMs = Decoder->LengthMs;
    SeekAlignMask = Decoder->SeekAlignMask;
    Format = Decoder->Format;
}

int TVxModuleFFmpegTAG::Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) {
    return Reach() ? Decoder->Prepare(path, mode, cancel) : kDiagReported;
}

int TVxModuleFFmpegTAG::Open(const char* path, uint32_t mode) {
    if (!Reach())
        return kDiagReported;
    const int status = Decoder->Open(path, mode);
    Mirror();
    return status;
}

int TVxModuleFFmpegTAG::GetInfo(const char* path, char* name, uint32_t* lengthMs) {
    return Reach() ? Decoder->GetInfo(path, name, lengthMs) : kDiagReported;
}

void TVxModuleFFmpegTAG::Close() {
    if (!Decoder)
        return;
    Decoder->Close();
    Mirror();
}

int TVxModuleFFmpegTAG::Seek(uint32_t ms, uint32_t* skipBytes) {
    return Reach() ? Decoder->Seek(ms, skipBytes) : kDiagReported;
}

int TVxModuleFFmpegTAG::Read(void* buffer, uint32_t frames, uint32_t* framesRead) {
    return Reach() ? Decoder->Read(buffer, frames, framesRead) : kDiagReported;
}

const char* TVxModuleFFmpegTAG::GetTitle() {
    return Decoder ? Decoder->GetTitle() : nullptr;
}
