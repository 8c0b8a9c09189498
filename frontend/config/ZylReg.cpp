#include "frontend/config/ZylReg.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace {

// The length of text cut to fit size - 1 bytes without splitting a UTF-8
// character.
size_t FittingLength(const char* text, size_t size) {
    size_t length = std::strlen(text);
    if (length < size)
        return length;
    length = size - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

void CopyFitting(char* dest, size_t size, const char* text) {
    const size_t length = FittingLength(text, size);
    std::memcpy(dest, text, length);
    dest[length] = '\0';
}

// The stored text when the value is a REG_SZ of at most limit bytes.
const TRegData* FindText(const TRegStoreKey& key, const char* name, size_t limit) {
    const TRegData* data = key.Find(name);
    return data != nullptr && data->Type == kRegSz && data->Bytes.size() <= limit ? data : nullptr;
}

std::string TextOf(const TRegData& data) {
    const auto end = std::find(data.Bytes.begin(), data.Bytes.end(), uint8_t{0});
    return std::string(data.Bytes.begin(), end);
}

} // namespace

TZylRegValueTAG::TZylRegValueTAG(const char* name) {
    CopyFitting(Name, sizeof Name, name != nullptr ? name : "");
}

TBoolRegValueTAG::TBoolRegValueTAG(const char* name, int32_t defaultValue)
    : TZylRegValueTAG(name), Value(defaultValue), Default(defaultValue) {}

bool TBoolRegValueTAG::Save(TRegStoreKey& key) {
    key.Write(Name, RegDataFromText(Value != 0 ? "Yes" : "No"));
    return key.IsOpen();
}

bool TBoolRegValueTAG::Load(TRegStoreKey& key) {
    Value = Default;
    const TRegData* data = FindText(key, Name, 4);
    if (data == nullptr)
        return true;
    const std::string text = TextOf(*data);
    if (strcasecmp(text.c_str(), "Yes") == 0)
        Value = 1;
    else if (strcasecmp(text.c_str(), "No") == 0)
        Value = 0;
    else
        return false;
    return true;
}

TIntRegValueTAG::TIntRegValueTAG(const char* name, int32_t defaultValue)
    : TZylRegValueTAG(name), Value(defaultValue), Default(defaultValue) {}

bool TIntRegValueTAG::Save(TRegStoreKey& key) {
    key.Write(Name, RegDataFromDword(static_cast<uint32_t>(Value)));
    return key.IsOpen();
}

bool TIntRegValueTAG::Load(TRegStoreKey& key) {
    Value = Default;
    const TRegData* data = key.Find(Name);
    if (data == nullptr || data->Type != kRegDword || data->Bytes.size() > 4)
        return true;
    uint32_t stored = 0;
    for (size_t i = data->Bytes.size(); i-- > 0;)
        stored = stored << 8 | data->Bytes[i];
    Value = static_cast<int32_t>(stored);
    return true;
}

TStringRegValueTAG::TStringRegValueTAG(const char* name, const char* defaultValue)
    : TZylRegValueTAG(name) {
    CopyFitting(Default, sizeof Default, defaultValue != nullptr ? defaultValue : "");
    std::memcpy(Value, Default, sizeof Value);
}

bool TStringRegValueTAG::Save(TRegStoreKey& key) {
    key.Write(Name, RegDataFromText(Value));
    return key.IsOpen();
}

bool TStringRegValueTAG::Load(TRegStoreKey& key) {
    const TRegData* data = FindText(key, Name, sizeof Value);
    if (data != nullptr)
        CopyFitting(Value, sizeof Value, TextOf(*data).c_str());
    else
        std::memcpy(Value, Default, sizeof Value);
    return true;
}

bool TStringRegValueTAG::Set(const char* text) {
    if (text == nullptr || std::strlen(text) >= sizeof Value)
        return false;
    CopyFitting(Value, sizeof Value, text);
    return true;
}

TBinaryRegValueTAG::TBinaryRegValueTAG(const char* name, void* buffer, uint32_t size)
    : TZylRegValueTAG(name), Buffer(buffer), Size(size) {}

bool TBinaryRegValueTAG::Save(TRegStoreKey& key) {
    key.Write(Name, RegDataFromBinary(Buffer, Size));
    return key.IsOpen();
}

bool TBinaryRegValueTAG::Load(TRegStoreKey& key) {
    const TRegData* data = key.Find(Name);
    if (data == nullptr || data->Type != kRegBinary || data->Bytes.size() != Size)
        return false;
    if (Size > 0)
        std::memcpy(Buffer, data->Bytes.data(), Size);
    return true;
}

TZylRegKeyTAG::TZylRegKeyTAG(TRegRoot /*root*/, const std::string& keyPath) {
    Key.Open(keyPath);
}

TZylRegKeyTAG& TZylRegKeyTAG::Save(TZylRegValueTAG& value) {
    if (Key.IsOpen())
        value.Save(Key);
    return *this;
}

TZylRegKeyTAG& TZylRegKeyTAG::Load(TZylRegValueTAG& value) {
    if (Key.IsOpen())
        value.Load(Key);
    return *this;
}
