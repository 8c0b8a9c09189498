#include "playlist/view/VxFileNames.h"

#include <QFile>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string ToBytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

// The entry of folder whose decoded name is the decoded name; the encoded
// name when no entry matches.
std::string MatchEntry(const std::string& folder, const QString& name) {
    std::string found = ToBytes(name);
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr)
        return found;
    while (dirent* entry = readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == name) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

std::string VxFileSystemName(const QString& name) {
    std::string encoded = ToBytes(name);
    if (Exists(encoded) || !name.startsWith(QLatin1Char('/')))
        return encoded;
    std::string path;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        std::string next = path + "/" + ToBytes(part);
        path = Exists(next) ? next : path + "/" + MatchEntry(path, part);
    }
    return path.empty() ? std::string("/") : path;
}

std::string VxLocalFileName(const QUrl& url) {
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

QString VxDialogFolder(const std::string& folder) {
    std::string reachable;
    std::size_t start = 0;
    while (start < folder.size()) {
        const std::size_t slash = std::min(folder.find('/', start), folder.size());
        const std::string part = folder.substr(start, slash - start);
        if (ToBytes(QFile::decodeName(QByteArray::fromStdString(part))) != part)
            break;
        reachable = folder.substr(0, slash);
        start = slash + 1;
    }
    if (reachable.empty() && folder.starts_with('/'))
        reachable = "/";
    return QFile::decodeName(QByteArray::fromStdString(reachable));
}
