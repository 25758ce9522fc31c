// Both variants in one process: each answers through its own signatures, with its own state.

#include "cdrip_linked.h"
#include "cdrip_test_support.h"

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

    // The linked variant's 64-bit entry holds the same six bytes as the run-time variant's.
    EXPECT_EQ(UnpackTocEntry(CR_GetTocEntry(0)).Flag, kCdRipTocAudio | kCdRipTocDataBit);
    ASSERT_EQ(cdrip3::CR_SetActiveCDROM(DriveIndexOf("mixed")), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_ReadToc(), CDRIP_OK);
    for (int32_t i = 0; i <= CR_GetNumTocEntries(); ++i) {
        TCdRipTocEntry entry{};
        ASSERT_EQ(cdrip3::CR_GetTocEntry2(i, &entry), CDRIP_OK);
        EXPECT_EQ(CR_GetTocEntry(i), PackTocEntry(entry)) << "entry " << i;
    }
    EXPECT_EQ(UnpackTocEntry(CR_GetTocEntry(CR_GetNumTocEntries())).TrackNumber, kCdRipLeadOutTrack);
    EXPECT_EQ(CR_GetTocEntry(CR_GetNumTocEntries() + 1), 0);
}

TEST_F(BothVariantsTest, TwoRipsInterleavedStayApart)
{
    UseDisc("demo");
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
    for (int32_t resultA = 0, resultB = 0; resultA != CDRIP_RIPPING_DONE || resultB != CDRIP_RIPPING_DONE;) {
        int32_t got = 0;
        if (resultA != CDRIP_RIPPING_DONE) {
            resultA = CR_RipChunk(bufferA.data(), &got);
            ASSERT_TRUE(resultA == CDRIP_OK || resultA == CDRIP_RIPPING_DONE) << resultA;
            ripA.insert(ripA.end(), bufferA.begin(), bufferA.begin() + got);
        }
        if (resultB != CDRIP_RIPPING_DONE) {
            resultB = cdrip3::CR_RipChunk(bufferB.data(), &got, &abort);
            ASSERT_TRUE(resultB == CDRIP_OK || resultB == CDRIP_RIPPING_DONE) << resultB;
            ripB.insert(ripB.end(), bufferB.begin(), bufferB.begin() + got);
        }
    }
    EXPECT_EQ(CR_CloseRipper(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_CloseRipper(), CDRIP_OK);
    EXPECT_EQ(cdrip3::CR_CloseRipper(), CDRIP_ERROR) << "nothing left to close";
    EXPECT_TRUE(ripA == BinSectors("demo", firstA, lastA));
    EXPECT_TRUE(ripB == BinSectors("demo", firstB, lastB));
}

} // namespace
} // namespace cdriptest
