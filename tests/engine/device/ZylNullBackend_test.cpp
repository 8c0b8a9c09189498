// The Null back end in real time: its clock moves the buffers, and the
// capture file holds what it played.
#include "DeviceTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
}

} // namespace

TEST(NullBackEnd, ClockPlaysAndCaptureRecordsIt) {
    const std::string path = std::string(VX_TEST_BINARY_DIR) + "/null-capture.wav";
    std::remove(path.c_str());
    const std::string choice = "null:capture=" + path;
    ScopedEnv env("VEXALINE_AUDIO", choice.c_str());
    {
        TZylAudioTAG audio;
        ASSERT_EQ(audio.Open(TZylAudioParams{}), 0);
        TZylSoundBufferTAG buffer;
        CreateFilled(buffer, audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
        buffer.Play();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (buffer.GetPlayCursor() < 8820 * 4 && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(buffer.GetPlayCursor(), 8820u * 4) << "the clock moved the cursor";
        EXPECT_FALSE(audio.IsLost());
    }
    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_GE(file.size(), 44u);
    EXPECT_EQ(std::memcmp(file.data(), "RIFF", 4), 0);
    EXPECT_EQ(std::memcmp(file.data() + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(Le32(file, 24), 44100u);
    EXPECT_EQ(Le32(file, 4), file.size() - 8);
    const uint32_t dataBytes = Le32(file, 40);
    EXPECT_EQ(dataBytes, file.size() - 44);
    EXPECT_EQ(dataBytes % 4, 0u);
    // The cursor runs ahead of the output by the converter's look-ahead.
    EXPECT_GE(dataBytes, (8820u - 1024) * 4);
    int loud = 0;
    for (size_t i = 44; i + 1 < file.size(); i += 2)
        loud += std::abs(static_cast<int16_t>(file[i] | file[i + 1] << 8)) > 8000;
    EXPECT_GT(loud, 1000) << "the tone is in the capture";
    std::remove(path.c_str());
}

TEST(NullBackEnd, UnwritableCaptureIsReportedAndPlaybackGoesOn) {
    ScopedEnv env("VEXALINE_AUDIO", "null:capture=/nonexistent-folder/x.wav");
    TZylAudioTAG audio;
    EXPECT_EQ(audio.Open(TZylAudioParams{}), 0);
    EXPECT_EQ(audio.IsOpen, 1u);
}
