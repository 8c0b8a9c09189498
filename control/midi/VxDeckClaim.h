// Which deck of a shared controller this copy of the player is. Each copy
// holds an exclusive lock on one numbered file in the runtime folder for its
// whole life and takes the lowest number no other copy holds; the lock ends
// with the process, however it ends.
#pragma once

#include <string>

class TVxDeckClaim {
public:
    static constexpr int kMaxDecks = 4;

    // folder: where the lock files lie (the user's runtime folder).
    explicit TVxDeckClaim(const std::string& folder);
    ~TVxDeckClaim();
    TVxDeckClaim(const TVxDeckClaim&) = delete;
    TVxDeckClaim& operator=(const TVxDeckClaim&) = delete;

    // 1..kMaxDecks; 0 when every number is taken or the folder refuses.
    int Deck() const { return deck_; }

private:
    int deck_ = 0;
    int fd_ = -1;
};
