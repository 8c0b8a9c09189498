// The settings store under the user's configuration folder, standing in for
// a registry key of the current user.
//
// The key path "Software\Zyl\Vexaline\Velm" is the file
// $XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg (default ~/.config/...); the
// leading "Software\" is dropped. Several copies of the player share the
// file, so writes are collected while a key is open and committed when it
// closes: under an exclusive advisory lock the file is read again, only the
// written values are replaced, and the result goes to a temporary file that
// is synced and renamed over the old one. A reader therefore sees the old or
// the new file, never a torn one, and no copy loses another copy's values.
//
// A damaged file never stops the player: lines that cannot be read count as
// missing values, and before a commit rewrites such a file the original is
// kept beside it as "<name>.reg.bad".
//
// Not thread-safe: one key object belongs to one thread at a time.
#pragma once

#include "frontend/config/RegText.h"

#include <string>

// The file that holds a key, or "" when the path cannot name one (an empty
// or ".." part) or no configuration folder can be found.
std::string RegKeyFilePath(const std::string& keyPath);

class TRegStoreKey {
public:
    TRegStoreKey() = default;
    TRegStoreKey(const TRegStoreKey&) = delete;
    TRegStoreKey& operator=(const TRegStoreKey&) = delete;
    ~TRegStoreKey() { Close(); }

    // Creates the key's folder when missing and reads its values. Fails when
    // the folder cannot be made or the file exists but cannot be read; a
    // failed key reads nothing and writes nothing.
    bool Open(const std::string& keyPath);
    bool IsOpen() const { return Opened; }

    // The value as the store holds it (own writes included), or nullptr.
    const TRegData* Find(const std::string& name) const;
    // Takes effect for this key at once and in the file at Close.
    void Write(const std::string& name, TRegData data);
    // Commits the writes; true when there was nothing to commit or the
    // commit reached the disk.
    bool Close();

private:
    bool Opened = false;
    std::string KeyPath;
    std::string FilePath;
    TRegValues Values;
    TRegValues Pending;
};

// Reads and parses a store file; a missing file is an empty store. Returns
// false when the file exists but cannot be read.
bool ReadRegFile(const std::string& filePath, TRegParseResult& result);
