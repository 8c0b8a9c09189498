// Which open is the deck's. One runs at a time, unless the user gave it up:
// a read on a hung medium may keep it for ever, so the next open may start
// and the one given up, should it ever return, finds itself replaced and
// leaves the deck alone. Each open has a cancel flag of its own, shared with
// its reads, which may outlive the deck.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

class TVxOpenRegister {
public:
    using TFlag = std::shared_ptr<std::atomic<bool>>;

    // The new open's flag; null while another open runs that was not given up.
    TFlag Begin();
    // The open is over; a replaced one changes nothing.
    void End(const TFlag& open);
    bool IsCurrent(const TFlag& open) const;
    // Gives up the running open.
    void Abort();
    // An open runs that was not given up.
    bool Running() const;
    // The last open begun was given up.
    bool LastAborted() const;

private:
    mutable std::mutex Mutex;
    TFlag Current; // while it runs
    TFlag Last;
};
