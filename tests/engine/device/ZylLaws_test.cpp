#include "engine/device/ZylDS.h"
#include "engine/device/ZylLaws.h"

#include <gtest/gtest.h>

TEST(VolumeLaw, ReproducesTheTable) {
    const struct {
        uint32_t Volume;
        int32_t Device;
    } table[] = {{100, 0},    {90, -198},  {75, -542}, {50, -1308},
                 {25, -2616}, {10, -4345}, {1, -8691}, {0, -10000}};
    for (const auto& row : table)
        EXPECT_EQ(ZylVolumeLaw(row.Volume), row.Device) << "volume " << row.Volume;
    EXPECT_EQ(ZylVolumeLaw(250), 0) << "volumes above 100 count as 100";
}

TEST(PanLaw, ReproducesTheTableOnBothSides) {
    const struct {
        int32_t Pan;
        int32_t Device;
    } table[] = {{0, 0}, {10, 198}, {25, 542}, {50, 1308}, {75, 2616}, {100, 10000}};
    for (const auto& row : table) {
        EXPECT_EQ(ZylPanLaw(row.Pan), row.Device) << "pan " << row.Pan;
        EXPECT_EQ(ZylPanLaw(-row.Pan), -row.Device) << "pan " << -row.Pan;
    }
    EXPECT_EQ(ZylPanLaw(400), 10000);
    EXPECT_EQ(ZylPanLaw(-400), -10000);
}

TEST(Gains, ExtremesAreExactAndPanAttenuatesTheFarSide) {
    const TZylGains full = ZylGainsFor(0, 0);
    EXPECT_EQ(full.Left, 1.0f);
    EXPECT_EQ(full.Right, 1.0f);
    const TZylGains silent = ZylGainsFor(-10000, 0);
    EXPECT_EQ(silent.Left, 0.0f);
    EXPECT_EQ(silent.Right, 0.0f);
    const TZylGains hardLeft = ZylGainsFor(0, -10000);
    EXPECT_EQ(hardLeft.Left, 1.0f);
    EXPECT_EQ(hardLeft.Right, 0.0f);
    const TZylGains halfRight = ZylGainsFor(-600, 600); // -6 dB, then -6 dB on the left
    EXPECT_NEAR(halfRight.Right, 0.501, 0.001);
    EXPECT_NEAR(halfRight.Left, 0.251, 0.001);
}

TEST(ResultNames, KnownCodesByNameOthersUnknown) {
    EXPECT_STREQ(ZylDSResultName(DS_OK), "DS_OK");
    EXPECT_STREQ(ZylDSResultName(DSERR_BADFORMAT), "DSERR_BADFORMAT");
    EXPECT_STREQ(ZylDSResultName(DSERR_NODRIVER), "DSERR_NODRIVER");
    EXPECT_STREQ(ZylDSResultName(DSERR_OUTOFMEMORY), "DSERR_OUTOFMEMORY");
    EXPECT_STREQ(ZylDSResultName(DSERR_UNSUPPORTED), "DSERR_UNSUPPORTED");
    EXPECT_STREQ(ZylDSResultName(12345), "(Unknown)");
    EXPECT_STREQ(ZylDSResultName(-1), "(Unknown)");
}
