// Named, typed settings values and the key they are loaded from and saved
// under. Each value knows its own stored form and its own rules for what it
// accepts on loading; a value that cannot be used keeps its default.
#pragma once

#include "frontend/config/RegStore.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kRegNameSize = 50;    // names hold at most 49 characters
constexpr size_t kRegStringSize = 256; // string values hold at most 255 bytes

class TZylRegValueTAG {
public:
    explicit TZylRegValueTAG(const char* name);
    virtual ~TZylRegValueTAG() = default;

    // Writes the value under the open key; true on success.
    virtual bool Save(TRegStoreKey& key) = 0;
    // Reads the value from the open key; true when the stored value was usable.
    virtual bool Load(TRegStoreKey& key) = 0;

    const char* GetName() const { return Name; }

protected:
    char Name[kRegNameSize];
};

// Stored as the text "Yes" or "No". Value 0 is off, anything else on.
class TBoolRegValueTAG : public TZylRegValueTAG {
public:
    TBoolRegValueTAG(const char* name, int32_t defaultValue);
    bool Save(TRegStoreKey& key) override;
    // Missing, not text, or longer than "Yes" with its NUL: default, true.
    // "Yes"/"No" in any case: the value, true. Other text: default, false.
    bool Load(TRegStoreKey& key) override;

    int32_t Value;
    int32_t Default;
};

// Stored as a 32-bit number.
class TIntRegValueTAG : public TZylRegValueTAG {
public:
    TIntRegValueTAG(const char* name, int32_t defaultValue);
    bool Save(TRegStoreKey& key) override;
    // The stored number when it is one of at most 4 bytes, else the default;
    // always true.
    bool Load(TRegStoreKey& key) override;

    int32_t Value;
    int32_t Default;
};

// Stored as text of at most 255 bytes (UTF-8).
class TStringRegValueTAG : public TZylRegValueTAG {
public:
    // A null default means the empty text; a longer default is cut.
    TStringRegValueTAG(const char* name, const char* defaultValue);
    bool Save(TRegStoreKey& key) override;
    // The stored text when it fits the value, else the default; always true.
    bool Load(TRegStoreKey& key) override;
    // Stores text when it fits; a longer text leaves the value unchanged
    // (a folder cut short would name another folder) and returns false.
    bool Set(const char* text);

    char Value[kRegStringSize] = {};
    char Default[kRegStringSize] = {};
};

// Stored as bytes; the buffer belongs to the caller and must outlive the value.
class TBinaryRegValueTAG : public TZylRegValueTAG {
public:
    TBinaryRegValueTAG(const char* name, void* buffer, uint32_t size);
    bool Save(TRegStoreKey& key) override;
    // Only stored bytes of exactly the buffer's size are taken (true);
    // otherwise the buffer is untouched (false).
    bool Load(TRegStoreKey& key) override;

    void* Buffer;
    uint32_t Size;
};

enum class TRegRoot { CurrentUser };

// One open key for one load or save pass. Saves are committed together when
// the key object is destroyed.
class TZylRegKeyTAG {
public:
    TZylRegKeyTAG(TRegRoot root, const std::string& keyPath);
    TZylRegKeyTAG(const TZylRegKeyTAG&) = delete;
    TZylRegKeyTAG& operator=(const TZylRegKeyTAG&) = delete;

    // Each passes the value the open key and returns the key, so that calls
    // chain; on a key that could not be opened they do nothing. The values'
    // results are not looked at.
    TZylRegKeyTAG& Save(TZylRegValueTAG& value);
    TZylRegKeyTAG& Load(TZylRegValueTAG& value);

    bool IsOpen() const { return Key.IsOpen(); }

private:
    TRegStoreKey Key;
};
