#include "playlist/view/ZylPlaylistModel.h"

#include <QFont>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "playlist/SongText.h"
#include "playlist/Zylplaylist.h"

namespace {

// Blank-free marker before the current entry's number.
const char* const kCurrentMarker = "\xC2\xBB ";

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The columns, left to right. A new column is one more entry here.
struct TColumn {
    const char* Header;
    Qt::Alignment Alignment;
    QString (*Text)(const TZylPlaylist& playlist, int row);
    // The widest text for a list of count entries.
    QString (*Widest)(int count);
    bool Stretches;
};

const TColumn kColumns[] = {
    {"#", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylist& playlist, int row) {
         QString number = QString::number(row + 1);
         return row == playlist.GetCurrentPosition() ? QString::fromUtf8(kCurrentMarker) + number
                                                     : number;
     },
     [](int count) {
         return QString::fromUtf8(kCurrentMarker) +
                QString(QString::number(std::max(count, 999)).size(), QLatin1Char('0'));
     },
     false},
    {"Title", Qt::AlignLeft | Qt::AlignVCenter,
     [](const TZylPlaylist& playlist, int row) {
         return ToQString(playlist.GetSongInfo(row).Caption);
     },
     [](int) { return QString(); }, true},
    {"Time", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylist& playlist, int row) { return ToQString(playlist.ItemText(row, 2)); },
     [](int) { return QStringLiteral("0:00:00"); }, false},
};

constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

} // namespace

TZylPlaylistModel::TZylPlaylistModel(TZylPlaylist& playlist, QObject* parent)
    : QAbstractTableModel(parent), FPlaylist(playlist) {}

int TZylPlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(FShown.size());
}

int TZylPlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TZylPlaylistModel::data(const QModelIndex& index, int role) const {
    int row = index.row();
    if (!index.isValid() || row >= FPlaylist.GetCount())
        return {};
    bool current = row == FPlaylist.GetCurrentPosition();
    switch (role) {
    case Qt::DisplayRole:
        return kColumns[index.column()].Text(FPlaylist, row);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(kColumns[index.column()].Alignment);
    case Qt::FontRole:
        if (current) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        return current && FPlaying && FPlayingColor.isValid() ? QVariant(FPlayingColor)
                                                              : QVariant();
    default:
        return {};
    }
}

QVariant TZylPlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kColumns[section].Header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(kColumns[section].Alignment);
    return {};
}

Qt::ItemFlags TZylPlaylistModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled
                           : Qt::ItemIsDropEnabled;
}

QString TZylPlaylistModel::WidestText(int column, int count) {
    return kColumns[column].Widest(count);
}

bool TZylPlaylistModel::Stretches(int column) {
    return kColumns[column].Stretches;
}

std::vector<TZylPlaylistModel::TRowSignature> TZylPlaylistModel::Signatures() const {
    std::vector<TRowSignature> rows;
    rows.reserve(static_cast<std::size_t>(FPlaylist.GetCount()));
    std::hash<std::string> hash;
    for (int i = 0; i < FPlaylist.GetCount(); ++i) {
        const TSongInfo& song = FPlaylist.GetSongInfo(i);
        rows.push_back({&song, hash(song.Caption) ^ (std::size_t{song.Duration} * 0x9E3779B1u)});
    }
    return rows;
}

void TZylPlaylistModel::Sync() {
    const std::vector<TRowSignature> now = Signatures();
    ReportStructure(now);
    ReportChangedTexts(now);
    FShown = now;
    int current = FPlaylist.GetCurrentPosition();
    if (current != FShownCurrent) {
        RowsChanged(FShownCurrent, FShownCurrent);
        RowsChanged(current, current);
        FShownCurrent = current;
    }
}

// Rows that kept their entry at both ends of the list are untouched; between
// them, rows were inserted, removed or moved.
void TZylPlaylistModel::ReportStructure(const std::vector<TRowSignature>& now) {
    auto sameSong = [](const TRowSignature& a, const TRowSignature& b) { return a.Song == b.Song; };
    std::size_t shared = std::min(FShown.size(), now.size());
    std::size_t prefix =
        std::mismatch(FShown.begin(), FShown.begin() + static_cast<std::ptrdiff_t>(shared),
                      now.begin(), sameSong)
            .first -
        FShown.begin();
    std::size_t suffix = 0;
    while (suffix < shared - prefix &&
           FShown[FShown.size() - 1 - suffix].Song == now[now.size() - 1 - suffix].Song)
        ++suffix;
    int first = static_cast<int>(prefix);
    int oldMiddle = static_cast<int>(FShown.size() - prefix - suffix);
    int newMiddle = static_cast<int>(now.size() - prefix - suffix);
    if (newMiddle > oldMiddle) {
        beginInsertRows({}, first, first + newMiddle - oldMiddle - 1);
        FShown.insert(FShown.begin() + first, static_cast<std::size_t>(newMiddle - oldMiddle),
                      TRowSignature{nullptr, 0});
        endInsertRows();
    } else if (newMiddle < oldMiddle) {
        beginRemoveRows({}, first, first + oldMiddle - newMiddle - 1);
        FShown.erase(FShown.begin() + first, FShown.begin() + first + (oldMiddle - newMiddle));
        endRemoveRows();
    }
    // Every row left between the kept ends shows another entry now.
    RowsChanged(first + std::abs(newMiddle - oldMiddle) * (newMiddle > oldMiddle),
                first + newMiddle - 1);
    // Numbers follow the row: after an insertion or removal every later row
    // shows another number, which the view redraws with its layout.
}

void TZylPlaylistModel::ReportChangedTexts(const std::vector<TRowSignature>& now) {
    int first = -1;
    int last = -1;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (FShown[i].Song == now[i].Song && FShown[i].Texts != now[i].Texts) {
            first = first < 0 ? static_cast<int>(i) : first;
            last = static_cast<int>(i);
        }
    }
    RowsChanged(first, last);
}

void TZylPlaylistModel::SetPlaying(bool playing) {
    if (playing == FPlaying)
        return;
    FPlaying = playing;
    RowsChanged(FShownCurrent, FShownCurrent);
}

void TZylPlaylistModel::RowsChanged(int first, int last) {
    last = std::min(last, rowCount() - 1);
    if (first < 0 || last < first)
        return;
    emit dataChanged(index(first, 0), index(last, kColumnCount - 1));
}
