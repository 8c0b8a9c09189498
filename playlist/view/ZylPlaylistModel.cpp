#include "playlist/view/ZylPlaylistModel.h"

#include <QFont>

#include <algorithm>
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
    QString (*Text)(const TZylPlaylistModel& model, int row);
    // The widest text for a list of count entries.
    QString (*Widest)(int count);
    bool Stretches;
};

const TColumn kColumns[] = {
    {"#", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) {
         QString number = QString::number(row + 1);
         return row == model.Playlist().GetCurrentPosition()
                    ? QString::fromUtf8(kCurrentMarker) + number
                    : number;
     },
     [](int count) {
         return QString::fromUtf8(kCurrentMarker) +
                QString(QString::number(std::max(count, 999)).size(), QLatin1Char('0'));
     },
     false},
    {"Title", Qt::AlignLeft | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) {
         return ToQString(model.Playlist().GetSongInfo(row).Caption);
     },
     [](int) { return QString(); }, true},
    {"BPM", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) { return model.FactText(row, TZylFact::Bpm); },
     [](int) { return QStringLiteral("000.00"); }, false},
    {"Key", Qt::AlignLeft | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) { return model.FactText(row, TZylFact::Key); },
     [](int) { return QStringLiteral("Eb minor 12A"); }, false},
    {"LUFS", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) {
         return model.FactText(row, TZylFact::Loudness);
     },
     [](int) { return QStringLiteral("-00.0"); }, false},
    {"Time", Qt::AlignRight | Qt::AlignVCenter,
     [](const TZylPlaylistModel& model, int row) {
         return ToQString(model.Playlist().ItemText(row, 2));
     },
     [](int) { return QStringLiteral("0:00:00"); }, false},
};

constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
constexpr int kFirstFactColumn = 2; // BPM, key, loudness in TZylFact's order

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
        return kColumns[index.column()].Text(*this, row);
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
    case Qt::ForegroundRole:
        return FFacts != nullptr && FMarkColor.isValid() &&
                       FFacts->Marked(FPlaylist.GetSongInfo(row).FileName)
                   ? QVariant(FMarkColor)
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

int TZylPlaylistModel::FactColumn(TZylFact fact) {
    return kFirstFactColumn + static_cast<int>(fact);
}

QString TZylPlaylistModel::FactText(int row, TZylFact fact) const {
    return FFacts != nullptr ? FFacts->Text(FPlaylist.GetSongInfo(row).FileName, fact) : QString();
}

// The mark colors the whole row.
void TZylPlaylistModel::FactsChanged(int row) {
    RowsChanged(row, row);
}

void TZylPlaylistModel::MarksChanged() {
    RowsChanged(0, rowCount() - 1);
}

void TZylPlaylistModel::ReadRows() {
    FNow.clear();
    for (int i = 0; i < FPlaylist.GetCount(); ++i)
        FNow.push_back(&FPlaylist.GetSongInfo(i));
}

void TZylPlaylistModel::Sync() {
    ReadRows();
    ReportStructure();
    FShown.swap(FNow);
    if (FPlaylist.CaptionsRevision() != FShownCaptions) {
        FShownCaptions = FPlaylist.CaptionsRevision();
        RowsChanged(0, rowCount() - 1);
    }
    int current = FPlaylist.GetCurrentPosition();
    if (current != FShownCurrent) {
        RowsChanged(FShownCurrent, FShownCurrent);
        RowsChanged(current, current);
        FShownCurrent = current;
    }
}

// Rows that kept their entry at both ends of the list are untouched; between
// them, rows were inserted, removed or moved. The rows the view counts change
// before FShown takes the new entries.
void TZylPlaylistModel::ReportStructure() {
    std::size_t shared = std::min(FShown.size(), FNow.size());
    std::size_t prefix =
        std::mismatch(FShown.begin(), FShown.begin() + static_cast<std::ptrdiff_t>(shared),
                      FNow.begin())
            .first -
        FShown.begin();
    std::size_t suffix = 0;
    while (suffix < shared - prefix &&
           FShown[FShown.size() - 1 - suffix] == FNow[FNow.size() - 1 - suffix])
        ++suffix;
    int first = static_cast<int>(prefix);
    int oldMiddle = static_cast<int>(FShown.size() - prefix - suffix);
    int newMiddle = static_cast<int>(FNow.size() - prefix - suffix);
    if (newMiddle > oldMiddle) {
        beginInsertRows({}, first, first + newMiddle - oldMiddle - 1);
        FShown.resize(FNow.size());
        endInsertRows();
    } else if (newMiddle < oldMiddle) {
        beginRemoveRows({}, first, first + oldMiddle - newMiddle - 1);
        FShown.resize(FNow.size());
        endRemoveRows();
    }
    // Every row left between the kept ends shows another entry now.
    const int inserted = std::max(newMiddle - oldMiddle, 0);
    RowsChanged(first + inserted, first + newMiddle - 1);
    // Numbers follow the row: after an insertion or removal every later row
    // shows another number, which the view redraws with its layout.
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
