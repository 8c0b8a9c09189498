#include "diag/Diag.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Strips "[date time] " from a log line.
std::string LogText(const std::string& line) {
    const auto close = line.find("] ");
    return close == std::string::npos ? "<no stamp>" : line.substr(close + 2);
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("vx-diag-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        path = folder / "vxs.log";
        LogSetup(path.c_str(), "--------- Vxs log start ----------",
                 "---------- Vxs log end -----------\n");
    }
    void TearDown() override {
        LogStop();
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
    std::filesystem::path path;
};

} // namespace

// Checked in a fresh copy of this program: earlier tests have reported.
TEST(DiagReportTest, LastMessageIsAHyphenBeforeTheFirstReport) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(std::string(DiagLastMessage()) == "-" ? 0 : 1),
                ::testing::ExitedWithCode(0), "");
}

TEST(DiagReportTest, ComposesMessageWithFileNameAndLine) {
    DiagReport("D:\\work\\Deck.ext", 194, -1, "Keyboard lost");
    EXPECT_STREQ(DiagLastMessage(), "Keyboard lost (Deck.ext 194)");
    DiagReport("/src/engine/VxSong.cpp", 12, -1, "VXSONG: %s [%d]", "Can't open", 7);
    EXPECT_STREQ(DiagLastMessage(), "VXSONG: Can't open [7] (VxSong.cpp 12)");
    DIAG_REPORT(-1, "here");
    EXPECT_EQ(std::string(DiagLastMessage()).rfind("here (Diag_test.cpp ", 0), 0u);
}

TEST(DiagReportTest, SilentStatusAndMissingFormatLeaveTheLastMessage) {
    DiagReport("a.cpp", 1, -1, "first");
    DiagReport("b.cpp", 2, -2, "second");
    DiagReport("c.cpp", 3, -1, nullptr);
    EXPECT_STREQ(DiagLastMessage(), "first (a.cpp 1)");
}

TEST(DiagReportTest, LongTextIsCutNotOverflowed) {
    const std::string longText(2000, 'x');
    DiagReport(std::string(1000, 'p').c_str(), 5, -1, "%s", longText.c_str());
    EXPECT_EQ(std::string(DiagLastMessage()).size(), kDiagTextSize - 1);
}

TEST(DiagMessageBoxTest, HandlerReceivesFormattedTextAndTaskModalStyle) {
    static unsigned seenStyle;
    static std::string seenCaption, seenText;
    DiagSetMessageBoxHandler([](unsigned style, const char* caption, const char* text) {
        seenStyle = style;
        seenCaption = caption;
        seenText = text;
        return 7;
    });
    EXPECT_EQ(DiagMessageBox(kDiagIconStop, "Vexaline", "Error:\n\n%s", "boom"), 7);
    EXPECT_EQ(seenStyle, kDiagIconStop | kDiagTaskModal);
    EXPECT_EQ(seenCaption, "Vexaline");
    EXPECT_EQ(seenText, "Error:\n\nboom");
    DiagMessageBox(kDiagIconStop, "Vexaline", nullptr);
    EXPECT_EQ(seenText, "");
    DiagSetMessageBoxHandler(nullptr);
}

TEST_F(LogTest, BannersReportsAndTheEmptyLineAfterTheEnd) {
    DiagReport("x.cpp", 1, -1, "before start");
    LogStart();
    LogStart();
    DiagReport("x.cpp", 2, -1, "reported");
    DiagReport("x.cpp", 3, -2, "silent");
    LogPrintf("> Playing %s", "song.mp3");
    LogStop();
    LogStop();
    DiagReport("x.cpp", 4, -1, "after stop");

    const std::string text = ReadFile(path);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 5u) << text;
    EXPECT_EQ(LogText(lines[0]), "--------- Vxs log start ----------");
    EXPECT_EQ(LogText(lines[1]), "reported (x.cpp 2)");
    EXPECT_EQ(LogText(lines[2]), "> Playing song.mp3");
    EXPECT_EQ(LogText(lines[3]), "---------- Vxs log end -----------");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    EXPECT_EQ(lines[0].front(), '[');
    EXPECT_STREQ(DiagLastMessage(), "after stop (x.cpp 4)");
}

TEST_F(LogTest, UnwritableFolderLosesLinesSilently) {
    const auto missing = folder / "no-such-folder" / "vxs.log";
    LogSetup(missing.c_str(), "start", "end\n");
    LogStart();
    DiagReport("x.cpp", 1, -1, "lost");
    EXPECT_TRUE(LogIsOn());
    EXPECT_STREQ(DiagLastMessage(), "lost (x.cpp 1)");
    LogStop();
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(LogTest, TwoThreadsReportingAtOnceWriteWholeLines) {
    LogStart();
    constexpr int kReports = 300;
    auto reporter = [](char tag) {
        const std::string body(120, tag);
        for (int i = 0; i < kReports; ++i)
            DiagReport("t.cpp", i, -1, "%s", body.c_str());
    };
    std::thread first(reporter, 'a');
    std::thread second(reporter, 'b');
    first.join();
    second.join();
    LogStop();

    int whole = 0;
    for (const auto& line : Lines(ReadFile(path))) {
        const std::string text = LogText(line);
        if (text.size() > 120 && (text[0] == 'a' || text[0] == 'b')) {
            EXPECT_EQ(text.substr(0, 120), std::string(120, text[0]));
            ++whole;
        }
    }
    EXPECT_EQ(whole, 2 * kReports);
}
