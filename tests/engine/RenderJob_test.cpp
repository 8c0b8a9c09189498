#include "tools/render/RenderJob.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Parse(const std::vector<const char*>& args, TRenderJob& job, std::string& error) {
    std::vector<char*> argv = {const_cast<char*>("vx-render")};
    for (const char* arg : args)
        argv.push_back(const_cast<char*>(arg));
    return ParseRenderArguments(static_cast<int>(argv.size()), argv.data(), job, error);
}

TEST(RenderJob, ActionsAreParsedAndPutInTimeOrder) {
    TRenderJob job;
    std::string error;
    ASSERT_TRUE(Parse({"--bits", "24", "--pitch", "-8000", "--at", "2000:search-fwd:3", "--at",
                       "500:cue", "--at", "900:seek:1234", "in.mp3", "out.wav"},
                      job, error))
        << error;
    EXPECT_EQ(job.Pitch, -8000);
    EXPECT_EQ(job.Bits, TRenderBits::Pcm24);
    EXPECT_EQ(job.Input, "in.mp3");
    EXPECT_EQ(job.Output, "out.wav");
    ASSERT_EQ(job.Actions.size(), 3u);
    EXPECT_EQ(job.Actions[0].Kind, TRenderActionKind::Cue);
    EXPECT_EQ(job.Actions[1].AtMs, 900u);
    EXPECT_EQ(job.Actions[1].Value, 1234);
    EXPECT_EQ(job.Actions[2].Kind, TRenderActionKind::SearchForward);
    EXPECT_EQ(job.Actions[2].Value, 3);
    EXPECT_TRUE(job.ExactLength); // the deck's default
    TRenderJob quick;
    ASSERT_TRUE(Parse({"--quick", "in.mp3"}, quick, error)) << error;
    EXPECT_FALSE(quick.ExactLength);
    TRenderJob locked;
    ASSERT_TRUE(Parse({"--keylock", "--at", "700:keylock-off", "in.mp3"}, locked, error)) << error;
    EXPECT_TRUE(locked.KeyLock);
    ASSERT_EQ(locked.Actions.size(), 1u);
    EXPECT_EQ(locked.Actions[0].Kind, TRenderActionKind::KeyLockOff);
    // The target after --level is optional: a file name is not one.
    TRenderJob level;
    ASSERT_TRUE(Parse({"--level", "-16.5", "--auto-cue", "in.mp3"}, level, error)) << error;
    EXPECT_TRUE(level.Level);
    EXPECT_DOUBLE_EQ(level.TargetLufs, -16.5);
    EXPECT_TRUE(level.AutoCue);
    TRenderJob byDefault;
    ASSERT_TRUE(Parse({"--level", "in.mp3", "out.wav"}, byDefault, error)) << error;
    EXPECT_DOUBLE_EQ(byDefault.TargetLufs, -14);
    EXPECT_EQ(byDefault.Input, "in.mp3");
    EXPECT_EQ(byDefault.Output, "out.wav");
}

TEST(RenderJob, BadArgumentsAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"a", "b", "c"},
        {"--volume", "101", "a"},
        {"--balance", "x", "a"},
        {"--seek", "a"},
        {"--at", "100:jump", "a"},
        {"--at", "100:cue:5", "a"}, // cue takes no value
        {"--at", "100:keylock-on:1", "a"},
        {"--at", "-5:cue", "a"},
        {"--range", "3", "a"},
        {"--bits", "32", "a"}, // 32-bit output is float only
        {"--bits", "a"},
        {"--frobnicate", "a"},
    };
    for (const auto& args : bad) {
        TRenderJob job;
        std::string error;
        EXPECT_FALSE(Parse(args, job, error));
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
