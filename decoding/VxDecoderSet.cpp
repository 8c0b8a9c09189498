#include "decoding/VxDecoderSet.h"

#include "decoding/ModuleFFmpeg.h"
#include "decoding/ZylMP3.h"
#include "decoding/ZylWAV.h"

TVxDecoderSet::TVxDecoderSet() {
    decoders_.push_back(std::make_unique<TZylMP3TAG>());
    decoders_.push_back(std::make_unique<TZylWAVTAG>());
    decoders_.push_back(std::make_unique<TVxModuleFFmpegTAG>());
}

TVxDecoderSet::~TVxDecoderSet() {
    Close();
}

TVxPlayerTAG* TVxDecoderSet::Open(const char* path) {
    Close();
    TVxPlayerTAG* chosen = decoders_.front().get();
    for (const auto& decoder : decoders_) {
        if (decoder->Accepts(path)) {
            chosen = decoder.get();
            break;
        }
    }
    if (chosen->Open(path, 0) != 0 || chosen->BytesPerFrame == 0)
        return nullptr;
    open_ = chosen;
    return open_;
}

void TVxDecoderSet::Close() {
    if (open_ != nullptr)
        open_->Close();
    open_ = nullptr;
}
