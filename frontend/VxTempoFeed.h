// Hands the playlist's songs to the tempo worker as the list changes: only
// the songs added since the last change, so that a change costs the window
// thread a pass over the entries' numbers, not a copy of every file name.
//
// Songs moved or deleted stay where they were in the worker's queue (a song
// deleted may still be analysed, for the cache); a list whose every entry is
// new (loaded over the old one, or cleared) replaces the queue.
//
// Window thread only.
#pragma once

#include <cstdint>

class TZylPlaylist;
class TVxTempoWorker;

class TVxTempoFeed {
public:
    void ListChanged(const TZylPlaylist& list, TVxTempoWorker& worker);

private:
    std::uint64_t nextNew_ = 0; // entries added from this number on are new
};
