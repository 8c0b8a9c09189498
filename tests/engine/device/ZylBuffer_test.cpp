#include "DeviceTestSupport.h"

#include "diag/Diag.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

namespace {

const TWaveFormatEx kStereo16 = MakePcmFormat(2, 44100, 16);

} // namespace

using BufferTest = HandSteppedTest;

TEST_F(BufferTest, CreateSizesFromMillisecondsAndAlignment) {
    TZylSoundBufferTAG buffer;
    const TWaveFormatEx mono8 = MakePcmFormat(1, 22050, 8);
    ASSERT_EQ(buffer.Create(&Audio, &mono8, 1000, kZylBufferSizeInMs, 0), 0);
    EXPECT_EQ(buffer.SizeBytes, 22050u);
    EXPECT_EQ(buffer.BytesPerFrame, 1);
    EXPECT_EQ(buffer.PlayFlags, 0u);

    // 3 ms of 44100 Hz 16-bit stereo is 529.2 bytes: down to whole frames.
    ASSERT_EQ(buffer.Create(&Audio, &kStereo16, 3, kZylBufferSizeInMs | kZylBufferLooping, 0), 0);
    EXPECT_EQ(buffer.SizeBytes, 528u);
    EXPECT_EQ(buffer.PlayFlags, kZylPlayLooping);

    ASSERT_EQ(buffer.Create(&Audio, &kStereo16, 1000, kZylBufferAlignUp, 32768), 0);
    EXPECT_EQ(buffer.SizeBytes, 32768u);
    EXPECT_EQ(buffer.BytesPerSecond, 176400u);
    EXPECT_EQ(buffer.Volume, 100u);
    EXPECT_EQ(buffer.Pan, 0);
    EXPECT_EQ(buffer.Audio, &Audio);
}

// What the user reads when a buffer is refused: the reason in plain words,
// never another system's code or another language.
TEST_F(BufferTest, CreateFailuresAreReportedInPlainWords) {
    TZylSoundBufferTAG buffer;
    const auto lastMessageHas = [](const char* words) {
        const std::string message = DiagLastMessage();
        EXPECT_EQ(message.find("DSERR"), std::string::npos) << message;
        EXPECT_EQ(message.find("Error "), std::string::npos) << message;
        return message.find(words) != std::string::npos;
    };
    EXPECT_EQ(buffer.Create(&Audio, &kStereo16, 0, 0, 0), -1);
    EXPECT_TRUE(lastMessageHas("Cannot create the sound buffer: the size"));
    const TWaveFormatEx odd = MakePcmFormat(2, 44100, 12);
    EXPECT_EQ(buffer.Create(&Audio, &odd, 4096, 0, 0), -1);
    EXPECT_TRUE(lastMessageHas("2 channel(s), 44100 Hz, 12-bit: not a format the mixer plays"));
    TZylAudioTAG closed;
    EXPECT_EQ(buffer.Create(&closed, &kStereo16, 4096, 0, 0), -1);
    EXPECT_TRUE(lastMessageHas("the sound output is not open"));
    EXPECT_EQ(buffer.Active, 0u);
}

TEST_F(BufferTest, LockStaysInsideTheBuffer) {
    TZylSoundBufferTAG buffer;
    ASSERT_EQ(buffer.Create(&Audio, &kStereo16, 4096, kZylBufferLooping, 0), 0);
    void* data = nullptr;
    EXPECT_EQ(buffer.Lock(1024, 3072, &data), 0);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(buffer.LockBytes1, 3072u);
    EXPECT_EQ(buffer.LockPtr2, nullptr);
    EXPECT_EQ(buffer.Unlock(), 0);

    EXPECT_EQ(buffer.Lock(1024, 3073, &data), -1);
    EXPECT_EQ(data, nullptr);
    EXPECT_NE(std::string(DiagLastMessage())
                  .find("ZylSoundBuffer: Write outside the sound buffer refused"),
              std::string::npos);
    // An offset and length whose 32-bit sum wraps to a small number.
    EXPECT_EQ(buffer.Lock(0xFFFFFF00u, 0x200, &data), -1);
    EXPECT_EQ(data, nullptr);

    buffer.Release();
    EXPECT_EQ(buffer.Lock(0, 16, &data), -1) << "a released buffer hands out no memory";
    EXPECT_EQ(data, nullptr);
}

TEST_F(BufferTest, MuteKeepsTheVolume) {
    TZylSoundBufferTAG buffer;
    ASSERT_EQ(buffer.Create(&Audio, &kStereo16, 4096, kZylBufferLooping, 0), 0);
    buffer.SetVolume(80);
    buffer.MuteOn();
    EXPECT_EQ(buffer.GetEffectiveVolume(), 0u);
    buffer.SetVolume(60);
    EXPECT_EQ(buffer.Volume, 60u);
    EXPECT_EQ(buffer.GetEffectiveVolume(), 0u) << "a change while muted stays inaudible";
    buffer.MuteOn();
    buffer.MuteOff();
    EXPECT_EQ(buffer.Muted, 0u) << "mute on twice, off once: unmuted";
    EXPECT_EQ(buffer.GetEffectiveVolume(), 60u);
    buffer.SetVolume(1000);
    EXPECT_EQ(buffer.Volume, 100u);
    buffer.SetPan(-250);
    EXPECT_EQ(buffer.GetPan(), -100);
}

TEST_F(BufferTest, InactiveBufferIgnoresOperations) {
    TZylSoundBufferTAG buffer;
    buffer.Play();
    buffer.SetVolume(50);
    buffer.SetPlayCursor(100);
    EXPECT_EQ(buffer.GetPlayCursor(), 0u);
    EXPECT_FALSE(buffer.IsPlaying());
    EXPECT_EQ(buffer.GetEffectiveVolume(), 0u);
    EXPECT_EQ(buffer.GetPan(), 0);
    EXPECT_EQ(buffer.Volume, 100u);
}

TEST_F(BufferTest, PrimaryCarriesTheDeviceFormat) {
    ASSERT_NE(Audio.Primary, nullptr);
    EXPECT_EQ(Audio.IsOpen, 1u);
    EXPECT_EQ(Audio.Primary->SizeBytes, 0u);
    EXPECT_EQ(Audio.Primary->SampleRate, 44100u);
    EXPECT_EQ(Audio.Primary->BytesPerFrame, 4);
    EXPECT_EQ(Audio.Primary->PlayFlags, kZylPlayLooping);
    EXPECT_EQ(Audio.Format.cbSize, 0);
    const TWaveFormatEx device = ZylNullFormat();
    EXPECT_EQ(device.nSamplesPerSec, 44100u);
    EXPECT_EQ(device.nChannels, 2);
}

TEST_F(BufferTest, BufferOutlivingItsDeviceReleasesCleanly) {
    TZylSoundBufferTAG buffer;
    ASSERT_EQ(buffer.Create(&Audio, &kStereo16, 4096, kZylBufferLooping, 0), 0);
    buffer.Play();
    Audio.Close();
    EXPECT_EQ(ZylNullStep(64, nullptr), 0u);
    void* data = nullptr;
    EXPECT_EQ(buffer.Lock(0, 4096, &data), 0);
    buffer.Release();
    EXPECT_EQ(buffer.Active, 0u);
}

TEST(DeviceOpen, BadOutputFormatFailsWithNamedCauseAndReleasesAll) {
    ZylNullSetHandStepped(true);
    TZylAudioTAG audio;
    TWaveFormatEx format = MakePcmFormat(2, 44100, 16);
    format.wFormatTag = 3;
    TZylAudioParams params;
    params.Format = &format;
    EXPECT_EQ(audio.Open(params), -2);
    EXPECT_NE(std::string(DiagLastMessage()).find("The sound output cannot play this format."),
              std::string::npos)
        << DiagLastMessage();
    EXPECT_EQ(audio.IsOpen, 0u);
    EXPECT_EQ(audio.Primary, nullptr);
    EXPECT_EQ(audio.Device, nullptr);
    EXPECT_EQ(ZylNullStep(16, nullptr), 0u);

    TWaveFormatEx mono8 = MakePcmFormat(1, 22050, 8);
    params.Format = &mono8;
    EXPECT_EQ(audio.Open(params), 0);
    EXPECT_EQ(ZylNullFormat().wBitsPerSample, 8);
    EXPECT_TRUE(ZylNullStepSamples(16).empty()) << "16-bit samples only from a 16-bit device";
    audio.Close();
    ZylNullSetHandStepped(false);
}

TEST(DeviceOpen, UnknownDeviceIsReportedAsMissingInPlainWords) {
    ScopedEnv env("VEXALINE_AUDIO", "portaudio");
    TZylDeviceId unknown;
    for (int i = 0; i < 16; ++i)
        unknown.Bytes[i] = static_cast<uint8_t>(0xA5 ^ i);
    TZylAudioParams params;
    params.DeviceId = &unknown;
    TZylAudioTAG audio;
    EXPECT_EQ(audio.Open(params), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("PortAudio has no such output now"),
              std::string::npos)
        << DiagLastMessage();
    EXPECT_EQ(audio.IsOpen, 0u);
}

TEST(DeviceList, NullBackEndListsOneDefaultEntry) {
    ScopedEnv env("VEXALINE_AUDIO", "null");
    TZylDeviceList list;
    list.push_back({"stale", new TZylDeviceId()});
    EXPECT_EQ(EnumerateOutputDevices(list), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Object, nullptr);
    FreeOutputDeviceList(list);
}

TEST(DeviceList, PortAudioListGivesEveryDeviceButTheFirstAnIdentifier) {
    ScopedEnv env("VEXALINE_AUDIO", "portaudio");
    TZylDeviceList list;
    const int count = EnumerateOutputDevices(list);
    ASSERT_EQ(count, static_cast<int>(list.size()));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(list[i].Object == nullptr, i == 0) << list[i].Text;
    FreeOutputDeviceList(list);
    for (const TZylDeviceListItem& item : list)
        EXPECT_EQ(item.Object, nullptr);
}

namespace {

// Reports of a lost and of a recovered device, counted from any thread.
std::atomic<int> gLossReports{0};
std::atomic<int> gReturnReports{0};

void CountDeviceReports(const char* text) {
    const std::string message(text);
    gLossReports += message.find("Null output: the sound output stopped") != std::string::npos;
    gReturnReports += message.find("Null output: the sound output is back") != std::string::npos;
}

} // namespace

// At the buffer's own rate and at +20 %, where the converter plays: while
// nobody hears the deck the position moves on at the set pitch.
TEST_F(BufferTest, LostDeviceIsReportedOnceMovesOnAndComesBackByItself) {
    for (const uint32_t hz : {44100u, 52920u}) {
        SCOPED_TRACE(hz);
        const double frames = 4410.0 * hz / 44100;
        gLossReports = gReturnReports = 0;
        DiagSetReportHook(&CountDeviceReports);
        TZylSoundBufferTAG buffer;
        CreateFilled(buffer, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
        buffer.SetFrequency(hz);
        buffer.Play();
        ZylNullStep(4410, nullptr);
        EXPECT_FALSE(Audio.IsLost());

        ZylNullSimulateDeviceLoss();
        const uint32_t before = buffer.GetPlayCursor();
        buffer.Play();
        // The buffer keeps moving, on the silent stand-in or on the device back.
        for (int wait = 0; wait < 1000 && ZylNullStep(4410, nullptr) == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_NEAR(buffer.GetPlayCursor() - before, frames * 4, 600.0 * 4);

        // The device is reopened off this thread and plays on from where the
        // buffer had got to.
        for (int wait = 0; wait < 1000 && Audio.IsLost(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_FALSE(Audio.IsLost());
        const uint32_t resumed = buffer.GetPlayCursor();
        const std::vector<float> out = Step(4410);
        EXPECT_NEAR(Rms(out), 0.5 / std::sqrt(2.0), 0.01) << "sound, not the silent stand-in";
        EXPECT_NEAR(buffer.GetPlayCursor() - resumed, frames * 4, 600.0 * 4);
        DiagSetReportHook(nullptr);
        EXPECT_EQ(gLossReports.load(), 1);
        EXPECT_EQ(gReturnReports.load(), 1);
        buffer.Release();
    }
}
