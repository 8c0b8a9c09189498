// Copies of the player sharing one two-deck controller take different decks,
// and a deck given up is taken again by the next copy.
#include "control/midi/VxDeckClaim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

TEST(DeckClaim, CopiesTakeTheLowestFreeDeck) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vx-deck-claim-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        auto first = std::make_unique<TVxDeckClaim>(folder.string());
        TVxDeckClaim second(folder.string());
        EXPECT_EQ(first->Deck(), 1);
        EXPECT_EQ(second.Deck(), 2);
        first.reset();
        TVxDeckClaim third(folder.string());
        EXPECT_EQ(third.Deck(), 1);
    }
    EXPECT_EQ(TVxDeckClaim((folder / "missing").string()).Deck(), 0);
    std::filesystem::remove_all(folder);
}
