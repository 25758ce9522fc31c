// Injected faults of the virtual drive as paranoia and the straight reader meet them.

#include "cdrip_fixture.h"

#include <algorithm>

namespace cdriptest {
namespace {

constexpr int32_t kFirst = 2000;
constexpr int32_t kLast = 2399;

int32_t ChunkOf(int32_t sector)
{
    return (sector - kFirst) / kDefaultChunkSectors;
}

class FaultTest : public CdRipFixture {
protected:
    void SetUp() override
    {
        CdRipFixture::SetUp();
        UseDisc("demo");
        drive_ = static_cast<size_t>(DriveIndexOf("demo"));
    }

    void Inject(std::set<int32_t> jitter, std::set<int32_t> unreadable)
    {
        drives::Faults faults;
        faults.jitter = std::move(jitter);
        faults.unreadable = std::move(unreadable);
        ASSERT_EQ(drives::SetFaults(drive_, faults), drives::DriveError::None);
    }

    // Byte offset of sector in a rip starting at kFirst.
    static size_t At(int32_t sector) { return static_cast<size_t>(sector - kFirst) * 2352; }

    size_t drive_ = 0;
};

TEST_F(FaultTest, JitterIsRepairedAndReportedInItsOwnChunk)
{
    Inject({2100, 2300}, {});
    Configure(*runtime_, true);
    const RipOutcome rip = RipRange(*runtime_, kFirst, kLast);
    ASSERT_EQ(rip.results.back(), CDRIP_RIPPING_DONE);
    for (size_t chunk = 0; chunk + 1 < rip.results.size(); ++chunk) {
        const bool jittered = chunk == size_t(ChunkOf(2100)) || chunk == size_t(ChunkOf(2300));
        EXPECT_EQ(rip.results[chunk], jittered ? CDRIP_JITTER_ERROR : CDRIP_OK) << "chunk " << chunk;
    }
    EXPECT_EQ(rip.jitterErrors, 2);
    ASSERT_EQ(rip.jitterPositions.size(), 2u);
    EXPECT_LE(rip.jitterPositions[0].first, 2100);
    EXPECT_GE(rip.jitterPositions[0].second, 2100);
    EXPECT_LE(rip.jitterPositions[1].first, 2300);
    EXPECT_GE(rip.jitterPositions[1].second, 2300);
    EXPECT_TRUE(rip.data == BinSectors("demo", kFirst, kLast)) << "paranoia should have repaired the jitter";
}

TEST_F(FaultTest, WithoutJitterCorrectionNothingIsRepaired)
{
    Inject({2100}, {});
    Configure(*linked_, false);
    const RipOutcome rip = RipRange(*linked_, kFirst, kLast);
    EXPECT_EQ(std::count(rip.results.begin(), rip.results.end(), CDRIP_OK), int(rip.results.size()) - 1);
    EXPECT_EQ(rip.jitterErrors, 0);
    const std::vector<uint8_t> image = BinSectors("demo", kFirst, kLast);
    ASSERT_EQ(rip.data.size(), image.size());
    // Only the jittered sector differs: it arrives displaced, as the drive gave it.
    EXPECT_FALSE(std::equal(image.begin() + At(2100), image.begin() + At(2101), rip.data.begin() + At(2100)));
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + At(2100), rip.data.begin()));
    EXPECT_TRUE(std::equal(image.begin() + At(2101), image.end(), rip.data.begin() + At(2101)));
}

TEST_F(FaultTest, AnUnreadableSectorIsSkippedAndReportedWithJitterCorrection)
{
    Inject({}, {2200});
    Configure(*runtime_, true);
    const RipOutcome rip = RipRange(*runtime_, kFirst, kLast);
    ASSERT_EQ(rip.results.back(), CDRIP_RIPPING_DONE);
    EXPECT_EQ(rip.results[size_t(ChunkOf(2200))], CDRIP_JITTER_ERROR);
    EXPECT_EQ(std::count(rip.results.begin(), rip.results.end(), CDRIP_ERROR), 0);
    ASSERT_FALSE(rip.jitterPositions.empty());
    const auto [first, last] = rip.jitterPositions.back();
    EXPECT_LE(first, 2200);
    EXPECT_GE(last, 2200);
    // What paranoia could not read is silence; everything around it is the image's.
    const std::vector<uint8_t> image = BinSectors("demo", kFirst, kLast);
    ASSERT_EQ(rip.data.size(), image.size());
    EXPECT_TRUE(std::all_of(rip.data.begin() + At(2200), rip.data.begin() + At(2201), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + At(first), rip.data.begin()));
    EXPECT_TRUE(std::equal(image.begin() + At(last + 1), image.end(), rip.data.begin() + At(last + 1)));
}

TEST_F(FaultTest, AnUnreadableSectorFailsItsChunkWithoutJitterCorrection)
{
    Inject({}, {2200});
    Configure(*linked_, false);
    const RipOutcome rip = RipRange(*linked_, kFirst, kLast);
    ASSERT_EQ(rip.results.back(), CDRIP_RIPPING_DONE) << "the rip goes on after a failed chunk";
    for (size_t chunk = 0; chunk + 1 < rip.results.size(); ++chunk)
        EXPECT_EQ(rip.results[chunk], chunk == size_t(ChunkOf(2200)) ? CDRIP_ERROR : CDRIP_OK) << "chunk " << chunk;
    const int32_t lost = kFirst + ChunkOf(2200) * kDefaultChunkSectors;
    std::vector<uint8_t> expected = BinSectors("demo", kFirst, lost - 1);
    const std::vector<uint8_t> after = BinSectors("demo", lost + kDefaultChunkSectors, kLast);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_TRUE(rip.data == expected);
}

TEST_F(FaultTest, NothingIsReadOnceTheTrayOpensOrTheCallerAborts)
{
    for (RipApi *api : {linked_.get(), runtime_.get()}) {
        int32_t chunkBytes = 0;
        ASSERT_EQ(api->Open(chunkBytes, kFirst, kLast), CDRIP_OK);
        std::vector<uint8_t> buffer(static_cast<size_t>(chunkBytes));
        int32_t bytes = 0;
        EXPECT_EQ(api->Chunk(buffer.data(), bytes), CDRIP_OK);
        ASSERT_EQ(drives::OpenTray(drive_), drives::DriveError::None);
        EXPECT_EQ(api->Chunk(buffer.data(), bytes), CDRIP_ERROR) << api->Name();
        EXPECT_EQ(bytes, 0);
        ASSERT_EQ(drives::CloseTray(drive_), drives::DriveError::None);
        EXPECT_EQ(api->Close(), CDRIP_OK);
    }

    int32_t chunkBytes = 0;
    ASSERT_EQ(runtime_->Open(chunkBytes, kFirst, kLast), CDRIP_OK);
    std::vector<uint8_t> buffer(static_cast<size_t>(chunkBytes));
    int32_t bytes = 0;
    int32_t abort = 1;
    EXPECT_EQ(cdrip3::CR_RipChunk(buffer.data(), &bytes, &abort), CDRIP_ERROR);
    EXPECT_EQ(bytes, 0);
    abort = 0;
    EXPECT_EQ(cdrip3::CR_RipChunk(buffer.data(), &bytes, &abort), CDRIP_OK);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + bytes,
                           BinSectors("demo", kFirst + kDefaultChunkSectors, kLast).begin()))
        << "the aborted chunk is passed over";
    EXPECT_EQ(runtime_->Close(), CDRIP_OK);
}

} // namespace
} // namespace cdriptest
