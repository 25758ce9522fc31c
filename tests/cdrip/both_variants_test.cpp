// Both variants in one process: each answers through its own signatures, with its own state.

#include "cdrip_fixture.h"

#include "cdrip_linked.h"

#include <cstring>

namespace cdriptest {
namespace {

class BothVariantsTest : public CdRipFixture {};

TEST_F(BothVariantsTest, EachKeepsItsOwnActiveDriveAndTableOfContents)
{
    ASSERT_EQ(CR_SetActiveCDROM(DriveIndexOf("mixed")), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_SetActiveCDROM(DriveIndexOf("demo")), CDRIP_OK);
    ASSERT_EQ(CR_ReadToc(), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_ReadToc(), CDRIP_OK);
    EXPECT_EQ(CR_GetNumTocEntries(), static_cast<int32_t>(ParseCue("mixed").tracks.size()));
    EXPECT_EQ(cdrip3::CR_GetNumTocEntries(), static_cast<int32_t>(ParseCue("demo").tracks.size()));
    EXPECT_EQ(CR_GetActiveCDROM(), DriveIndexOf("mixed"));
    EXPECT_EQ(cdrip3::CR_GetActiveCDROM(), DriveIndexOf("demo"));

    // The linked variant's 64-bit entry holds the same six bytes.
    const TCdRipTocEntry data = UnpackTocEntry(CR_GetTocEntry(0));
    EXPECT_EQ(data.StartSector, 0);
    EXPECT_EQ(data.Flag, kCdRipTocAudio | kCdRipTocDataBit);
    EXPECT_EQ(data.TrackNumber, 1);
    ASSERT_EQ(cdrip3::CR_SetActiveCDROM(DriveIndexOf("mixed")), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_ReadToc(), CDRIP_OK);
    for (int32_t i = 0; i <= CR_GetNumTocEntries(); ++i) {
        TCdRipTocEntry entry{};
        ASSERT_EQ(cdrip3::CR_GetTocEntry2(i, &entry), CDRIP_OK);
        EXPECT_EQ(CR_GetTocEntry(i), PackTocEntry(entry)) << "entry " << i;
        EXPECT_EQ(cdrip3::CR_GetTocEntry(i), PackTocEntry(entry)) << "entry " << i;
    }
    EXPECT_EQ(CR_GetTocEntry(CR_GetNumTocEntries() + 1), 0);
    TCdRipTocEntry outside{};
    EXPECT_EQ(cdrip3::CR_GetTocEntry2(-1, &outside), CDRIP_ERROR);
}

TEST_F(BothVariantsTest, TwoRipsInterleavedStayApart)
{
    UseDisc("demo");
    Configure(*linked_, true);
    Configure(*runtime_, true);
    const CueDisc cue = ParseCue("demo");
    const int32_t firstA = cue.tracks[0].start;
    const int32_t lastA = cue.tracks[1].start - 1;
    const int32_t firstB = cue.tracks[2].start;
    const int32_t lastB = firstB + (lastA - firstA);
    int32_t bytesA = 0;
    int32_t bytesB = 0;
    ASSERT_EQ(CR_OpenRipper(&bytesA, firstA, lastA), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_OpenRipper(&bytesB, firstB, lastB), CDRIP_OK);
    std::vector<uint8_t> bufferA(static_cast<size_t>(bytesA));
    std::vector<uint8_t> bufferB(static_cast<size_t>(bytesB));
    std::vector<uint8_t> ripA;
    std::vector<uint8_t> ripB;
    int32_t abort = 0;
    for (bool doneA = false, doneB = false; !doneA || !doneB;) {
        int32_t got = 0;
        if (!doneA) {
            const int32_t result = CR_RipChunk(bufferA.data(), &got);
            ASSERT_TRUE(result == CDRIP_OK || result == CDRIP_RIPPING_DONE) << result;
            ripA.insert(ripA.end(), bufferA.begin(), bufferA.begin() + got);
            doneA = result == CDRIP_RIPPING_DONE;
        }
        if (!doneB) {
            const int32_t result = cdrip3::CR_RipChunk(bufferB.data(), &got, &abort);
            ASSERT_TRUE(result == CDRIP_OK || result == CDRIP_RIPPING_DONE) << result;
            ripB.insert(ripB.end(), bufferB.begin(), bufferB.begin() + got);
            doneB = result == CDRIP_RIPPING_DONE;
        }
    }
    EXPECT_EQ(CR_CloseRipper(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_CloseRipper(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_CloseRipper(), CDRIP_ERROR) << "nothing left to close";
    EXPECT_TRUE(ripA == BinSectors("demo", firstA, lastA));
    EXPECT_TRUE(ripB == BinSectors("demo", firstB, lastB));
}

TEST_F(BothVariantsTest, TheLinkedVariantExchangesOnly340Bytes)
{
    TCDRomParams params;
    std::memset(&params, 0xEE, sizeof params);
    ASSERT_EQ(CR_GetCDROMParameters(&params), CDRIP_OK);
    const auto *bytes = reinterpret_cast<const uint8_t *>(&params);
    for (size_t i = kLinkedParamsSize; i < sizeof params; ++i)
        ASSERT_EQ(bytes[i], 0xEE) << "byte " << i;
    // What lies past 340 bytes in the caller's record is never read: an invalid mode there is
    // not refused.
    EXPECT_EQ(CR_SetCDROMParameters(&params), CDRIP_OK);
    EXPECT_GT(CR_GetCDRipVersion(), 0);
    EXPECT_EQ(CR_GetCDRipVersion(), cdrip3::CR_GetCDRipVersion());
}

} // namespace
} // namespace cdriptest
