#include "frontend/VxTempoFeed.h"

#include "analysis/VxTempoWorker.h"
#include "playlist/Zylplaylist.h"

#include <algorithm>
#include <string>
#include <vector>

void TVxTempoFeed::ListChanged(const TZylPlaylist& list, TVxTempoWorker& worker) {
    std::vector<std::string> added;
    bool keptOld = false;
    std::uint64_t next = nextNew_;
    for (int i = 0; i < list.GetCount(); ++i) {
        const std::uint64_t order = list.AddedOrder(i);
        if (order < nextNew_) {
            keptOld = true;
            continue;
        }
        added.push_back(list.GetSongInfo(i).FileName);
        next = std::max(next, order + 1);
    }
    nextNew_ = next;
    if (!keptOld)
        worker.SetPlaylist(std::move(added));
    else if (!added.empty())
        worker.AddToPlaylist(std::move(added));
}
