// Ripping the demo disc through both variants, with and without jitter correction.

#include "cdrip_test_support.h"

#include <tuple>

namespace cdriptest {
namespace {

class RipTest : public CdRipFixture, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(RipTest, EveryDemoTrackComesOutAsTheImageHoldsIt)
{
    const auto [linked, jitterCorrection] = GetParam();
    const RipCalls calls = linked ? Linked() : Runtime();
    UseDisc("demo");
    Configure(calls, jitterCorrection);
    const CueDisc cue = ParseCue("demo");
    ASSERT_EQ(cdrip3::CR_ReadToc(), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_GetNumTocEntries(), static_cast<int32_t>(cue.tracks.size()));
    ASSERT_GE(cue.tracks.size(), 5u);
    for (size_t i = 0; i < cue.tracks.size(); ++i) {
        TCdRipTocEntry entry{};
        TCdRipTocEntry next{};
        ASSERT_EQ(cdrip3::CR_GetTocEntry2(static_cast<int32_t>(i), &entry), CDRIP_OK);
        ASSERT_EQ(cdrip3::CR_GetTocEntry2(static_cast<int32_t>(i + 1), &next), CDRIP_OK);
        EXPECT_EQ(entry.StartSector, cue.tracks[i].start) << "track " << i + 1;
        EXPECT_EQ(entry.TrackNumber, cue.tracks[i].number);
        EXPECT_EQ(entry.Flag, kCdRipTocAudio);
        EXPECT_EQ(next.StartSector, i + 1 < cue.tracks.size() ? cue.tracks[i + 1].start : cue.leadOut);

        const RipOutcome rip = RipRange(calls, entry.StartSector, next.StartSector - 1);
        ASSERT_EQ(rip.openResult, CDRIP_OK);
        EXPECT_EQ(rip.chunkBytes, kDefaultChunkSectors * 2352);
        EXPECT_EQ(rip.results.back(), CDRIP_RIPPING_DONE) << "track " << i + 1;
        EXPECT_EQ(rip.jitterErrors, 0);
        EXPECT_EQ(rip.percent, 100);
        // Compared whole: EXPECT_EQ on the vectors would print megabytes.
        EXPECT_TRUE(rip.data == BinSectors("demo", entry.StartSector, next.StartSector - 1))
            << "track " << i + 1 << " differs from the image";
    }
}

INSTANTIATE_TEST_SUITE_P(BothVariants, RipTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto &param) {
                             return std::string(std::get<0>(param.param) ? "Linked" : "Runtime") +
                                    (std::get<1>(param.param) ? "Paranoia" : "Straight");
                         });

class RipRangeTest : public CdRipFixture {};

TEST_F(RipRangeTest, Mono22050AveragesBothChannelsOverTwoFrames)
{
    UseDisc("demo");
    Configure(Runtime(), true, 3);
    const int32_t first = 100;
    const int32_t last = first + 2 * kDefaultChunkSectors + 3; // a short last chunk
    const RipOutcome rip = RipRange(Runtime(), first, last);
    EXPECT_EQ(rip.chunkBytes, kDefaultChunkSectors * 588);
    const std::vector<uint8_t> raw = BinSectors("demo", first, last);
    ASSERT_EQ(rip.data.size(), raw.size() / 4);
    auto sample = [](const std::vector<uint8_t> &bytes, size_t index) {
        return static_cast<int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
    };
    for (size_t out = 0; out < rip.data.size() / 2; out += 997) {
        const int32_t sum = sample(raw, 4 * out) + sample(raw, 4 * out + 1) + sample(raw, 4 * out + 2) +
                            sample(raw, 4 * out + 3);
        EXPECT_EQ(sample(rip.data, out), sum / 4) << "sample " << out;
    }
}

TEST_F(RipRangeTest, OnlyRangesOnTheDiscOpen)
{
    UseDisc("onetrack");
    const CueDisc cue = ParseCue("onetrack");
    int32_t bytes = 0;
    EXPECT_EQ(cdrip3::CR_OpenRipper(&bytes, 10, 9), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_OpenRipper(&bytes, -1, 10), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_OpenRipper(&bytes, 0, cue.leadOut), CDRIP_ERROR);
    EXPECT_EQ(cdrip3::CR_OpenRipper(nullptr, 0, 10), CDRIP_ERROR);
    uint8_t buffer[2352];
    int32_t abort = 0;
    EXPECT_EQ(cdrip3::CR_RipChunk(buffer, &bytes, &abort), CDRIP_ERROR) << "no ripper is open";
    EXPECT_EQ(bytes, 0);

    const RipOutcome rip = RipRange(Runtime(), cue.leadOut - 1, cue.leadOut - 1);
    EXPECT_TRUE(rip.data == BinSectors("onetrack", cue.leadOut - 1, cue.leadOut - 1));
    EXPECT_EQ(rip.results, (std::vector<int32_t>{CDRIP_OK, CDRIP_RIPPING_DONE}));
}

} // namespace
} // namespace cdriptest
