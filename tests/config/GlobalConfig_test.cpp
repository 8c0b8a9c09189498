#include "frontend/config/GlobalConfig.h"

#include "ConfigTestFolder.h"
#include "diag/Diag.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using configtest::ScratchConfigHome;

namespace {

const std::string kKey = kVxConfigKeyPath;

class GlobalConfigTest : public ::testing::Test {
protected:
    ScratchConfigHome Home;
    TGlobalConfigTAG Config;

    TRegValues Stored() const { return ParseRegText(Home.ReadStore()).Values; }
    std::vector<std::string> Parse(const std::vector<std::string>& args) {
        std::vector<std::string> files{"stale"};
        Config.ParseCommandLine(args, files);
        return files;
    }
};

} // namespace

TEST_F(GlobalConfigTest, AnEmptyStoreGivesExactlyTheDefaults) {
    Config.LoadSettings(kKey);
    EXPECT_EQ(Config.PlayWhenOpen.Value, 1);
    EXPECT_EQ(Config.SecureClose.Value, 1);
    EXPECT_EQ(Config.SecureTrackButtons.Value, 0);
    EXPECT_EQ(Config.ErrorLog.Value, 0);
    EXPECT_EQ(Config.SearchLoop.Value, 1);
    EXPECT_EQ(Config.ExactSongLength.Value, 1);
    EXPECT_EQ(Config.DisplayRealTime.Value, 0);
    EXPECT_EQ(Config.PitchRange.Value, 1);
    EXPECT_EQ(Config.EndOfTrack.Value, 0);
    EXPECT_EQ(Config.PlaylistWidth.Value, 384);
    EXPECT_EQ(Config.PlaylistHeight.Value, 517);
    EXPECT_EQ(Config.StartX.Value, 100);
    EXPECT_EQ(Config.StartY.Value, 200);
    EXPECT_STREQ(Config.OpenPath.Value, "");
    EXPECT_EQ(Config.HotKey, 0);
    EXPECT_FALSE(Config.LogSwitch);
    // Loading writes nothing.
    EXPECT_FALSE(std::filesystem::exists(Home.StoreFile()));
}

TEST_F(GlobalConfigTest, OneRunStoresTheExitValuesAndTheNextStartPosition) {
    Config.LoadSettings(kKey);
    const TVxStartPosition at = Config.TakeStartPosition(1920, 1080, kKey);
    EXPECT_EQ(at.X, 100);
    EXPECT_EQ(at.Y, 200);
    Config.SaveSettings(kKey);

    const TRegValues stored = Stored();
    EXPECT_EQ(stored.size(), 40u);
    EXPECT_EQ(stored.at("StartX"), RegDataFromDword(120));
    EXPECT_EQ(stored.at("StartY"), RegDataFromDword(220));
    EXPECT_EQ(stored.at("PlayWhenOpen"), RegDataFromText("Yes"));
    EXPECT_EQ(stored.at("ErrorLog"), RegDataFromText("No"));
    EXPECT_EQ(stored.at("OpenPath"), RegDataFromText(""));
    EXPECT_EQ(stored.at("ExactSongLength"), RegDataFromText("Yes"));
    EXPECT_EQ(stored.at("LevelSongs"), RegDataFromText("No"));
    EXPECT_EQ(stored.at("TargetLoudness"), RegDataFromDword(static_cast<uint32_t>(-14)));
    EXPECT_EQ(stored.at("AutoCue"), RegDataFromText("No"));
    for (const char* neverStored :
         {"DoubledPitch", "ListKeepLast", "PlaylistWidth", "PlaylistEnabled"})
        EXPECT_EQ(stored.count(neverStored), 0u) << neverStored;

    // The next copy reads what this one stored and opens further down.
    TGlobalConfigTAG next;
    next.LoadSettings(kKey);
    EXPECT_EQ(next.TakeStartPosition(1920, 1080, kKey).X, 120);
}

TEST_F(GlobalConfigTest, StoredValuesAreReadByTheirOwnRules) {
    Home.WriteStore("\"PlayWhenOpen\"=\"no\"\n"
                    "\"SecureTrackButtons\"=\"yes\"\n"
                    "\"SecureClose\"=\"NO\"\n"
                    "\"VuMeterPeaks\"=dword:00000000\n" // a bool as a number: ignored
                    "\"DisplayBlink\"=\"Ja\"\n"         // other text: default
                    "\"StayOnTop\"=\"Yes  \"\n"         // longer than 4 bytes: default
                    "\"PitchRange\"=dword:00000002\n"
                    "\"ExactSongLength\"=\"No\"\n"
                    "\"EndOfTrack\"=\"1\"\n" // a number as text: default
                    "\"OutputDevice\"=dword:ffffffff\n"
                    "\"OpenPath\"=\"/home/dj/Música\"\n"
                    "\"SavePath\"=\"" +
                    std::string(300, 'a') + "\"\n");
    Config.LoadSettings(kKey);
    EXPECT_EQ(Config.PlayWhenOpen.Value, 0);
    EXPECT_EQ(Config.SecureTrackButtons.Value, 1);
    EXPECT_EQ(Config.SecureClose.Value, 0);
    EXPECT_EQ(Config.VuMeterPeaks.Value, 1);
    EXPECT_EQ(Config.DisplayBlink.Value, 1);
    EXPECT_EQ(Config.StayOnTop.Value, 0);
    EXPECT_EQ(Config.PitchRange.Value, 2);
    EXPECT_EQ(Config.ExactSongLength.Value, 0);
    EXPECT_EQ(Config.EndOfTrack.Value, 0);
    EXPECT_EQ(Config.OutputDevice.Value, -1);
    EXPECT_STREQ(Config.OpenPath.Value, "/home/dj/Música");
    EXPECT_STREQ(Config.SavePath.Value, "");
}

TEST_F(GlobalConfigTest, ValueRulesReportWhetherTheStoredValueWasUsable) {
    Home.WriteStore("\"B\"=\"Yo\"\n\"Bin\"=hex:01,02,03\n\"Short\"=hex:01\n");
    TRegStoreKey key;
    ASSERT_TRUE(key.Open(kKey));
    TBoolRegValueTAG flag("B", 1);
    EXPECT_FALSE(flag.Load(key));
    EXPECT_EQ(flag.Value, 1);
    unsigned char buffer[3] = {9, 9, 9};
    TBinaryRegValueTAG blob("Bin", buffer, 3);
    EXPECT_TRUE(blob.Load(key));
    EXPECT_EQ(buffer[2], 3);
    TBinaryRegValueTAG wrongSize("Short", buffer, 3);
    EXPECT_FALSE(wrongSize.Load(key));
    EXPECT_EQ(buffer[0], 1);
    TStringRegValueTAG text("T", std::string(300, 'x').c_str());
    EXPECT_EQ(std::string(text.Value), std::string(255, 'x'));
    EXPECT_FALSE(text.Set(std::string(256, 'y').c_str()));
    EXPECT_EQ(std::string(text.Value), std::string(255, 'x'));
    EXPECT_TRUE(text.Set("/short"));
    EXPECT_STREQ(text.Value, "/short");
}

TEST_F(GlobalConfigTest, ADamagedStoreNeverStopsTheRunAndIsKept) {
    const std::string damaged = "\"PitchRange\"=dword:00000000\n" + std::string(10 << 20, '#') +
                                "\n\"EndOfTrack\"=dword:00000002\n\"TimeMode\"=dwor";
    Home.WriteStore(damaged);
    Config.LoadSettings(kKey);
    EXPECT_EQ(Config.PitchRange.Value, 0);
    EXPECT_EQ(Config.EndOfTrack.Value, 2);
    EXPECT_EQ(Config.TimeMode.Value, 0); // the cut line is a missing value
    Config.SaveSettings(kKey);
    EXPECT_EQ(ScratchConfigHome::ReadText(Home.StoreFile().string() + ".bad"), damaged);
    EXPECT_EQ(Stored().size(), 38u);
}

TEST_F(GlobalConfigTest, OptionsRecordMapsBothWays) {
    TVxSystemOptions options;
    options.Flags = kVxOptionPioneerCueKey | kVxOptionAccuratePitch;
    options.TimeMode = 1;
    options.RealTime = 1;
    options.PitchRange = 2;
    options.OpenMode = 1;
    Config.FromSystemOptions(options);
    EXPECT_EQ(Config.SearchLoop.Value, 0);
    EXPECT_NE(Config.PioneerCueKey.Value, 0);
    EXPECT_EQ(Config.DoubledPitch.Value, 0);
    EXPECT_NE(Config.AccuratePitch.Value, 0);
    EXPECT_EQ(Config.ExactSongLength.Value, 1);
    TVxSystemOptions back;
    Config.ToSystemOptions(back);
    EXPECT_EQ(back.Flags, options.Flags);
    EXPECT_EQ(back.TimeMode, 1);
    EXPECT_EQ(back.RealTime, 1u);
    EXPECT_EQ(back.PitchRange, 2);
    EXPECT_EQ(back.OpenMode, 2); // exact length is always asked as mode 2
}

TEST_F(GlobalConfigTest, CommandLineSwitchesAndFiles) {
    EXPECT_EQ(Parse({"/music/a.mp3", "-sc", "3", "rel.wav", "-", "-UNKNOWN", "-X", "40"}),
              (std::vector<std::string>{"/music/a.mp3", "rel.wav"}));
    EXPECT_EQ(Config.OutputDevice.Value, 3);
    EXPECT_EQ(Config.StartX.Value, 40);
    EXPECT_EQ(Config.ProgramFolder.back(), '/');

    // -x takes no switch for its number; -y takes the 50.
    TGlobalConfigTAG fresh;
    std::vector<std::string> files;
    fresh.ParseCommandLine({"-x", "-y", "50"}, files);
    EXPECT_EQ(fresh.StartX.Value, 100);
    EXPECT_EQ(fresh.StartY.Value, 50);
    EXPECT_TRUE(files.empty());

    // -key 13 is consumed and ignored; -key 12 is taken.
    EXPECT_TRUE(Parse({"-key", "13"}).empty());
    EXPECT_EQ(Config.HotKey, 0);
    Parse({"-key", "12"});
    EXPECT_EQ(Config.HotKey, 12);

    // A trailing -sc, or one followed by a switch, changes nothing.
    Parse({"-sc"});
    Parse({"-sc", "-log"});
    EXPECT_EQ(Config.OutputDevice.Value, 3);
    // An unreadable number gives the switch's default.
    Parse({"-sc", "two", "-y", "1e3"});
    EXPECT_EQ(Config.OutputDevice.Value, 0);
    EXPECT_EQ(Config.StartY.Value, -1);
}

TEST_F(GlobalConfigTest, LogSwitchLogsThisRunButStoresLoggingOff) {
    Config.LoadSettings(kKey);
    Parse({"-log"});
    EXPECT_EQ(Config.ErrorLog.Value, 1);
    // The window's start-up: the log beside the program when ErrorLog is on.
    const std::string log = (Home.Path / "vxs.log").string();
    LogSetup(log.c_str(), "start", "end");
    if (Config.ErrorLog.Value)
        LogStart();
    LogWrite("song");
    LogStop();
    EXPECT_NE(ScratchConfigHome::ReadText(log).find("song"), std::string::npos);
    Config.SaveSettings(kKey);
    EXPECT_EQ(Stored().at("ErrorLog"), RegDataFromText("No"));
    EXPECT_EQ(Config.ErrorLog.Value, 0);
}

TEST_F(GlobalConfigTest, StartPositionFallsBackToTheCornerWhenTheWindowWouldNotFit) {
    Config.StartX.Value = 5000;
    const TVxStartPosition at = Config.TakeStartPosition(1024, 768, kKey);
    EXPECT_EQ(at.X, 0);
    EXPECT_EQ(at.Y, 0);
    EXPECT_EQ(Stored().at("StartX"), RegDataFromDword(20));
    EXPECT_EQ(Stored().at("StartY"), RegDataFromDword(20));

    // Negative positions are raised to 0; the window fitting exactly stays.
    Config.StartX.Value = -30;
    Config.StartY.Value = 768 - kVxWindowHeight;
    EXPECT_EQ(Config.TakeStartPosition(1024, 768, kKey).Y, 768 - kVxWindowHeight);
    EXPECT_EQ(Config.StartX.Value, 20);
    Config.StartX.Value = 0x7FFFFFF0;
    EXPECT_EQ(Config.TakeStartPosition(1024, 768, kKey).X, 0);
}

TEST_F(GlobalConfigTest, AnOutputDeviceOutsideTheListBecomesTheFirst) {
    Config.OutputDevice.Value = 7;
    Config.CheckOutputDevice(2);
    EXPECT_EQ(Config.OutputDevice.Value, 0);
    Config.SaveSettings(kKey);
    EXPECT_EQ(Stored().at("OutputDevice"), RegDataFromDword(0));
    Config.OutputDevice.Value = -1;
    Config.CheckOutputDevice(2);
    EXPECT_EQ(Config.OutputDevice.Value, 0);
    Config.OutputDevice.Value = 1;
    Config.CheckOutputDevice(2);
    EXPECT_EQ(Config.OutputDevice.Value, 1);
}
