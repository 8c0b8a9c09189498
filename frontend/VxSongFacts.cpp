#include "frontend/VxSongFacts.h"

#include <cmath>

namespace {

bool SameFacts(const TVxSongTempo& a, const TVxSongTempo& b) {
    return a.Bpm == b.Bpm && a.Key == b.Key && a.Loudness.Known == b.Loudness.Known &&
           a.Loudness.Lufs == b.Loudness.Lufs;
}

} // namespace

bool VxSongsMix(const TVxSongTempo& a, const TVxSongTempo& b) {
    if (!(a.Bpm > 0 && b.Bpm > 0) || !VxKeysCompatible(a.Key, b.Key))
        return false;
    return std::abs(a.Bpm - b.Bpm) <= TVxSongFacts::kTempoTolerance * b.Bpm;
}

std::unordered_set<std::string> TVxSongFacts::Take(const TVxTempoWorker::TFound& found) {
    std::unordered_set<std::string> changed;
    for (const auto& [path, facts] : found) {
        auto [entry, added] = songs_.try_emplace(path, facts);
        if (added || !SameFacts(entry->second, facts)) {
            entry->second = facts;
            changed.insert(path);
        }
    }
    return changed;
}

const TVxSongTempo* TVxSongFacts::Find(const std::string& fileName) const {
    const auto found = songs_.find(fileName);
    return found == songs_.end() ? nullptr : &found->second;
}

QString TVxSongFacts::Text(const std::string& fileName, TZylFact fact) const {
    const TVxSongTempo* song = Find(fileName);
    if (song == nullptr)
        return {};
    switch (fact) {
    case TZylFact::Bpm:
        return song->Bpm > 0 ? QString::number(song->Bpm, 'f', 2) : QString();
    case TZylFact::Key:
        return VxIsKey(song->Key) ? QString::fromStdString(VxKeyName(song->Key) + ' ' +
                                                           VxKeyCode(song->Key, notation_))
                                  : QString();
    case TZylFact::Loudness:
        return song->Loudness.Known ? QString::number(song->Loudness.Lufs, 'f', 1) : QString();
    }
    return {};
}

bool TVxSongFacts::Marked(const std::string& fileName) const {
    if (deckSong_.empty())
        return false;
    const TVxSongTempo* deck = Find(deckSong_);
    const TVxSongTempo* song = Find(fileName);
    return deck != nullptr && song != nullptr && VxSongsMix(*song, *deck);
}

std::optional<double> TVxSongFacts::Rank(const std::string& fileName, TVxFactSort sort) const {
    if (sort == TVxFactSort::Compatible)
        return Marked(fileName) ? 0 : 1;
    const TVxSongTempo* song = Find(fileName);
    if (song == nullptr)
        return std::nullopt;
    switch (sort) {
    case TVxFactSort::Bpm:
        return song->Bpm > 0 ? std::optional<double>(song->Bpm) : std::nullopt;
    case TVxFactSort::Key:
        return VxIsKey(song->Key) ? std::optional<double>(2 * VxKeyNumber(song->Key, notation_) +
                                                          (VxIsMinor(song->Key) ? 0 : 1))
                                  : std::nullopt;
    case TVxFactSort::Loudness:
        return song->Loudness.Known ? std::optional<double>(song->Loudness.Lufs) : std::nullopt;
    case TVxFactSort::Compatible:
        break;
    }
    return std::nullopt;
}
