#include "playlist/Zylsongscan.h"

#include <algorithm>
#include <dirent.h>

#include "playlist/M3uFile.h"

namespace {

// Flags of one recursion level.
constexpr unsigned kExpandPlaylists = 0x01;
constexpr unsigned kExpandFolders = 0x02;
constexpr unsigned kSingleItem = 0x04;
constexpr unsigned kCheckExists = 0x08;
constexpr unsigned kAllowDuplicates = 0x10;
constexpr unsigned kAllowAnyExt = 0x20;

unsigned FlagsFromOptions(TFileScanOptions options) {
    unsigned flags = 0;
    if (options & fsExpandFolders)
        flags |= kExpandFolders;
    if (options & fsExpandPlaylists)
        flags |= kExpandPlaylists;
    if (options & fsCheckFileExists)
        flags |= kCheckExists;
    if (options & fsAllowDuplicates)
        flags |= kAllowDuplicates;
    if (options & fsAllowAnyExt)
        flags |= kAllowAnyExt;
    return flags;
}

struct TFolderEntry {
    std::string Name;
    bool MaybeFolder; // a folder, a link or of unknown type
};

// The visible entries of a folder, sorted by name without regard to case.
// Hidden (dot) entries are skipped, which also drops "." and "..". False
// when the folder cannot be opened.
bool ListFolder(const std::string& folder, std::vector<TFolderEntry>& entries) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        bool maybeFolder =
            entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN;
        entries.push_back({entry->d_name, maybeFolder});
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const TFolderEntry& a, const TFolderEntry& b) {
        int order = CompareText(a.Name, b.Name);
        return order != 0 ? order < 0 : a.Name < b.Name;
    });
    return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.size() > 0 && folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

TSongScanThread::TSongScanThread(TZylDispatcher& dispatcher)
    : TZylThread(dispatcher), BaseFolder(CurrentFolder()) {}

TSongScanThread::~TSongScanThread() {
    Terminate();
    WaitFor();
}

void TSongScanThread::SetStrings(int which, const std::vector<std::string>& list) {
    switch (which) {
    case ssInput:
        FInput = list;
        break;
    case ssKnownFiles:
        FKnownFiles = list;
        break;
    case ssExtensions:
        FExtensions = list;
        break;
    default:
        break;
    }
}

bool TSongScanThread::IsValidExtension(std::string_view fileName) const {
    return HasExtension(fileName, FExtensions);
}

bool TSongScanThread::IsPlaylistExtension(std::string_view fileName) const {
    return IsPlaylistFileName(fileName, PlaylistExt);
}

int TSongScanThread::Execute() {
    FEventCounter = 0;
    FFilesAdded = 0;
    unsigned flags = FlagsFromOptions(ScanOptions);
    // A single item is always expanded, folder or playlist, whatever the options.
    if (FInput.size() == 1)
        flags |= kSingleItem;
    FSeenNames.clear();
    FDescentFolders.clear();
    if (!(flags & kAllowDuplicates)) {
        for (const std::string& known : FKnownFiles)
            FSeenNames.insert(FoldCase(ExtractFileName(known)));
    }
    int added = AddFilesRec(FInput, flags, BaseFolder);
    // The lookups die here, on the scan thread, rather than with the thread
    // object on the window thread, which is busy merging the results.
    FSeenNames = {};
    FDescentFolders = {};
    FKnownFiles = {};
    return added;
}

int TSongScanThread::AddFilesRec(std::vector<std::string> list, unsigned flags,
                                 const std::string& base) {
    if (Terminated())
        return 0;
    for (std::string& entry : list)
        entry = MakeAbsolutePath(entry, base);
    int added = 0;
    for (const std::string& entry : list) {
        if (Terminated())
            break;
        struct stat info;
        bool exists = stat(entry.c_str(), &info) == 0;
        if (!exists && (flags & kCheckExists))
            continue;
        if (exists && S_ISDIR(info.st_mode)) {
            added += AddFolder(entry, info, flags);
        } else if (exists && !S_ISREG(info.st_mode)) {
            // Pipes, sockets and devices: reading one could block the scan for ever.
            continue;
        } else if (IsPlaylistExtension(entry)) {
            if (exists)
                added += AddPlaylist(entry, flags);
        } else {
            added += AddSongFile(entry, flags);
        }
    }
    return added;
}

int TSongScanThread::AddFolder(const std::string& folder, const struct stat& info,
                               unsigned& flags) {
    if (!(flags & (kExpandFolders | kSingleItem)))
        return 0;
    std::vector<TFolderEntry> entries;
    if (FDescentFolders.count({info.st_dev, info.st_ino}) != 0 || !ListFolder(folder, entries) ||
        entries.empty())
        return 0;
    flags &= ~kSingleItem;
    // Without any flag that makes the next level look at every entry, only
    // folders and files of a known kind are worth passing down.
    bool takeAll = flags & (kExpandPlaylists | kExpandFolders | kCheckExists | kAllowDuplicates);
    std::vector<std::string> subList;
    for (TFolderEntry& entry : entries) {
        if (takeAll || entry.MaybeFolder || IsValidExtension(entry.Name) ||
            IsPlaylistExtension(entry.Name))
            subList.push_back(JoinPath(folder, entry.Name));
    }
    if (subList.empty())
        return 0;
    auto descent = FDescentFolders.insert({info.st_dev, info.st_ino}).first;
    int added = AddFilesRec(std::move(subList), flags, folder);
    FDescentFolders.erase(descent);
    return added;
}

int TSongScanThread::AddPlaylist(const std::string& fileName, unsigned& flags) {
    if (!(flags & (kExpandPlaylists | kSingleItem)))
        return 0;
    flags &= ~kSingleItem;
    std::vector<std::string> lines;
    if (!ReadPlaylistFile(fileName, lines) || lines.empty())
        return 0;
    // Entries of a playlist are song files only: folders and playlists named
    // in it are not expanded, so a playlist naming itself adds nothing.
    return AddFilesRec(std::move(lines), flags & ~(kExpandPlaylists | kExpandFolders),
                       ExtractFilePath(fileName));
}

int TSongScanThread::AddSongFile(const std::string& fileName, unsigned flags) {
    int added = 0;
    std::string name = FoldCase(ExtractFileName(fileName));
    bool wanted = IsValidExtension(fileName) || (flags & kAllowAnyExt);
    if (wanted && ((flags & kAllowDuplicates) || FSeenNames.count(name) == 0)) {
        TScanResult result;
        result.FileName = fileName;
        if (CreateFileInfo(result)) {
            FSeenNames.insert(std::move(name));
            FResults.push_back(std::move(result));
            FFilesAdded.fetch_add(1, std::memory_order_relaxed);
            added = 1;
        }
    }
    // Every file examined counts for the progress event, song or not.
    DoScanningEvent();
    return added;
}

bool TSongScanThread::CreateFileInfo(TScanResult& result) {
    if (!SongInfoCallback)
        return true;
    if (!SyncSongInfoEvent)
        return SongInfoCallback(*this, result);
    bool keep = false;
    // A call dropped because the scan was aborted keeps nothing.
    if (!Synchronize([&] { keep = SongInfoCallback(*this, result); }))
        return false;
    return keep;
}

void TSongScanThread::DoScanningEvent() {
    unsigned interval = ScanEventInterval == 0 ? 1 : ScanEventInterval;
    if (OnScanning && FEventCounter % interval == 0)
        OnScanning(*this, FilesAdded());
    ++FEventCounter;
}
