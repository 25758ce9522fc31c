// Ripping the demo disc through both variants, with and without jitter correction.

#include "cdrip_fixture.h"

#include <tuple>

namespace cdriptest {
namespace {

class RipTest : public CdRipFixture, public ::testing::WithParamInterface<std::tuple<bool, bool>> {
protected:
    RipApi &Api() { return std::get<0>(GetParam()) ? *linked_ : *runtime_; }
    bool JitterCorrection() const { return std::get<1>(GetParam()); }
};

TEST_P(RipTest, EveryDemoTrackComesOutAsTheImageHoldsIt)
{
    UseDisc("demo");
    Configure(Api(), JitterCorrection());
    const CueDisc cue = ParseCue("demo");
    ASSERT_EQ(Api().ReadToc(), CDRIP_OK);
    ASSERT_EQ(Api().TrackCount(), static_cast<int32_t>(cue.tracks.size()));
    ASSERT_GE(cue.tracks.size(), 5u);
    for (size_t i = 0; i < cue.tracks.size(); ++i) {
        const TCdRipTocEntry entry = Api().Entry(static_cast<int32_t>(i));
        const TCdRipTocEntry next = Api().Entry(static_cast<int32_t>(i + 1));
        EXPECT_EQ(entry.StartSector, cue.tracks[i].start) << "track " << i + 1;
        EXPECT_EQ(entry.TrackNumber, cue.tracks[i].number);
        EXPECT_EQ(entry.Flag, kCdRipTocAudio);

        const RipOutcome rip = RipRange(Api(), entry.StartSector, next.StartSector - 1);
        ASSERT_EQ(rip.openResult, CDRIP_OK);
        EXPECT_EQ(rip.chunkBytes, kDefaultChunkSectors * 2352);
        EXPECT_EQ(rip.results.back(), CDRIP_RIPPING_DONE) << "track " << i + 1;
        EXPECT_EQ(rip.jitterErrors, 0);
        EXPECT_EQ(rip.percent, 100);
        // Compared whole, not with EXPECT_EQ on the vectors: a mismatch prints megabytes.
        const std::vector<uint8_t> expected = BinSectors("demo", entry.StartSector, next.StartSector - 1);
        EXPECT_EQ(rip.data.size(), expected.size()) << "track " << i + 1;
        EXPECT_TRUE(rip.data == expected) << "track " << i + 1 << " differs from the image";
    }
    const TCdRipTocEntry leadOut = Api().Entry(Api().TrackCount());
    EXPECT_EQ(leadOut.StartSector, cue.leadOut);
    EXPECT_EQ(leadOut.TrackNumber, kCdRipLeadOutTrack);
}

INSTANTIATE_TEST_SUITE_P(BothVariants, RipTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto &param) {
                             return std::string(std::get<0>(param.param) ? "Linked" : "Runtime") +
                                    (std::get<1>(param.param) ? "Paranoia" : "Straight");
                         });

class RipRangeTest : public CdRipFixture {};

TEST_F(RipRangeTest, LowerFormatsAverageChannelsAndFrames)
{
    UseDisc("demo");
    const int32_t first = 100;
    const int32_t last = 100 + 2 * kDefaultChunkSectors + 3; // a short last chunk
    const std::vector<uint8_t> raw = BinSectors("demo", first, last);
    auto sample = [&](size_t frame, int channel) {
        const size_t at = frame * 4 + static_cast<size_t>(channel) * 2;
        return static_cast<int16_t>(raw[at] | (raw[at + 1] << 8));
    };
    for (uint8_t format = 1; format <= 5; ++format) {
        Configure(*runtime_, true, format);
        const RipOutcome rip = RipRange(*runtime_, first, last);
        const int channels = format % 2 == 1 ? 1 : 2;
        const size_t decimation = format <= 1 ? 1 : format <= 3 ? 2 : 4;
        const size_t frames = raw.size() / 4 / decimation;
        ASSERT_EQ(rip.data.size(), frames * static_cast<size_t>(channels) * 2) << "format " << int(format);
        EXPECT_EQ(rip.chunkBytes, kDefaultChunkSectors * int32_t(588 / decimation) * channels * 2);
        for (size_t frame : {size_t{0}, frames / 2, frames - 1}) {
            int32_t left = 0;
            int32_t right = 0;
            for (size_t k = 0; k < decimation; ++k) {
                left += sample(frame * decimation + k, 0);
                right += sample(frame * decimation + k, 1);
            }
            const size_t at = frame * static_cast<size_t>(channels) * 2;
            const auto got = static_cast<int16_t>(rip.data[at] | (rip.data[at + 1] << 8));
            const int32_t want = channels == 1 ? (left + right) / int32_t(2 * decimation) : left / int32_t(decimation);
            EXPECT_EQ(got, want) << "format " << int(format) << " frame " << frame;
        }
    }
}

TEST_F(RipRangeTest, RangesOutsideTheDiscAreRefused)
{
    UseDisc("onetrack");
    const CueDisc cue = ParseCue("onetrack");
    int32_t bytes = 0;
    EXPECT_EQ(runtime_->Open(bytes, 10, 9), CDRIP_ERROR);
    EXPECT_EQ(runtime_->Open(bytes, -1, 10), CDRIP_ERROR);
    EXPECT_EQ(runtime_->Open(bytes, 0, cue.leadOut), CDRIP_ERROR);
    uint8_t buffer[2352];
    EXPECT_EQ(runtime_->Chunk(buffer, bytes), CDRIP_ERROR) << "no ripper is open";
    EXPECT_EQ(bytes, 0);

    // The last sector before the lead-out is the end of the disc.
    const RipOutcome rip = RipRange(*runtime_, cue.leadOut - 1, cue.leadOut - 1);
    EXPECT_EQ(rip.openResult, CDRIP_OK);
    EXPECT_EQ(rip.data, BinSectors("onetrack", cue.leadOut - 1, cue.leadOut - 1));
    EXPECT_EQ(rip.results, (std::vector<int32_t>{CDRIP_OK, CDRIP_RIPPING_DONE}));
}

} // namespace
} // namespace cdriptest
