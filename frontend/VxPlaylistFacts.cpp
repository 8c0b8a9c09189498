#include "frontend/VxPlaylistFacts.h"

#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <QMenu>

#include <utility>

namespace {

// Songs that mix well with the deck's are written in the deck's green.
const QColor kMarkColor(0x8F, 0xE0, 0x8F);

struct TColumnChoice {
    const char* Caption;
    TZylFact Fact;
    TBoolRegValueTAG TGlobalConfigTAG::*Setting;
};

// In TZylFact's order.
constexpr TColumnChoice kColumnChoices[] = {
    {"&BPM", TZylFact::Bpm, &TGlobalConfigTAG::ListBpmColumn},
    {"&Key", TZylFact::Key, &TGlobalConfigTAG::ListKeyColumn},
    {"&Loudness (LUFS)", TZylFact::Loudness, &TGlobalConfigTAG::ListLoudnessColumn},
};

TBoolRegValueTAG& SettingOf(TGlobalConfigTAG& config, TZylFact fact) {
    return config.*kColumnChoices[static_cast<std::size_t>(fact)].Setting;
}

} // namespace

TVxPlaylistFacts::TVxPlaylistFacts(TZylPlaylistView& view, TGlobalConfigTAG& config)
    : view_(view), config_(config) {
    view_.Model().SetFacts(&facts_);
    view_.Model().SetMarkColor(kMarkColor);
}

void TVxPlaylistFacts::AddToMenus(QMenu& popup, QMenu& sortBy) {
    const std::pair<const char*, TVxFactSort> sorts[] = {
        {"&BPM", TVxFactSort::Bpm},
        {"&Key", TVxFactSort::Key},
        {"L&oudness", TVxFactSort::Loudness},
        {"&Compatible with the playing song", TVxFactSort::Compatible},
    };
    for (const auto& [caption, sort] : sorts)
        QObject::connect(sortBy.addAction(QString::fromLatin1(caption)), &QAction::triggered,
                         &view_, [this, sort = sort] { SortBy(sort); });
    AddColumnsMenu(popup);
    AddKeyMenu(popup);
}

void TVxPlaylistFacts::AddColumnsMenu(QMenu& popup) {
    QMenu* columns = popup.addMenu(QStringLiteral("&Columns"));
    for (const TColumnChoice& choice : kColumnChoices) {
        QAction* action = columns->addAction(QString::fromLatin1(choice.Caption));
        action->setCheckable(true);
        const TZylFact fact = choice.Fact;
        QObject::connect(action, &QAction::triggered, &view_,
                         [this, fact] { ShowColumn(fact, !view_.FactShown(fact)); });
        // The check follows the column, however it was changed.
        QObject::connect(columns, &QMenu::aboutToShow, action,
                         [this, action, fact] { action->setChecked(view_.FactShown(fact)); });
    }
}

void TVxPlaylistFacts::AddKeyMenu(QMenu& popup) {
    keyMenu_ = popup.addMenu(QStringLiteral("Set &key"));
    // Its texts follow the notation chosen since it was last shown.
    QObject::connect(keyMenu_, &QMenu::aboutToShow, &view_, [this] { FillKeyMenu(); });
    FillKeyMenu();
}

// "Detected", then round the wheel in the chosen notation, each number's
// minor key before its major one.
void TVxPlaylistFacts::FillKeyMenu() {
    keyMenu_->clear();
    QObject::connect(keyMenu_->addAction(QStringLiteral("&Detected")), &QAction::triggered, &view_,
                     [this] { SetSelectedKey(kVxNoKey); });
    keyMenu_->addSeparator();
    const TVxKeyNotation notation = facts_.Notation();
    for (int number = 1; number <= 12; ++number)
        for (const bool minor : {true, false})
            for (int key = 1; key <= kVxKeyCount; ++key) {
                if (VxKeyNumber(key, notation) != number || VxIsMinor(key) != minor)
                    continue;
                const std::string text = VxKeyName(key) + " " + VxKeyCode(key, notation);
                QObject::connect(keyMenu_->addAction(QString::fromStdString(text)),
                                 &QAction::triggered, &view_, [this, key] { SetSelectedKey(key); });
            }
}

void TVxPlaylistFacts::PopupShowing() {
    keyMenu_->setEnabled(view_.Playlist().GetSelectedCount() > 0);
}

void TVxPlaylistFacts::SetSelectedKey(int key) {
    const TZylPlaylist& list = view_.Playlist();
    if (!OnUserKey)
        return;
    for (int row = 0; row < list.GetCount(); ++row)
        if (list.IsSelected(row))
            OnUserKey(list.GetSongInfo(row).FileName, key);
}

void TVxPlaylistFacts::ApplySettings() {
    facts_.SetNotation(config_.KeyNotation.Value == 1 ? TVxKeyNotation::OpenKey
                                                      : TVxKeyNotation::Camelot);
    for (const TColumnChoice& choice : kColumnChoices)
        view_.SetFactShown(choice.Fact, (config_.*choice.Setting).Value != 0);
    view_.viewport()->update();
}

void TVxPlaylistFacts::ShowColumn(TZylFact fact, bool shown) {
    SettingOf(config_, fact).Value = shown ? 1 : 0;
    view_.SetFactShown(fact, shown);
}

// One pass over the list for all the songs reported since the last time;
// a new fact of the deck's song may change every mark.
void TVxPlaylistFacts::Take(const TVxTempoWorker::TFound& found) {
    const std::unordered_set<std::string> changed = facts_.Take(found);
    if (changed.empty())
        return;
    TZylPlaylistModel& model = view_.Model();
    if (changed.count(facts_.DeckSong()) != 0) {
        model.MarksChanged();
        return;
    }
    const TZylPlaylist& list = view_.Playlist();
    for (int row = 0; row < list.GetCount(); ++row)
        if (changed.count(list.GetSongInfo(row).FileName) != 0)
            model.FactsChanged(row);
}

void TVxPlaylistFacts::SetDeckSong(const std::string& path) {
    facts_.SetDeckSong(path);
    view_.Model().MarksChanged();
}

void TVxPlaylistFacts::SortBy(TVxFactSort sort) {
    view_.Playlist().SortByRank(
        [this, sort](const TSongInfo& song) { return facts_.Rank(song.FileName, sort); });
}
