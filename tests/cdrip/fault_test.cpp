// Injected faults of the virtual drive as paranoia and the straight reader meet them.

#include "cdrip_test_support.h"
#include "drive_catalogue.h"

#include <algorithm>

namespace cdriptest {
namespace {

constexpr int32_t kFirst = 2000;
constexpr int32_t kLast = 2399;

class FaultTest : public CdRipFixture {
  protected:
    void SetUp() override
    {
        CdRipFixture::SetUp();
        UseDisc("demo");
        image_ = BinSectors("demo", kFirst, kLast);
    }

    void Inject(std::set<int32_t> jitter, std::set<int32_t> unreadable)
    {
        drives::Faults faults;
        faults.jitter = std::move(jitter);
        faults.unreadable = std::move(unreadable);
        ASSERT_EQ(drives::SetFaults(static_cast<size_t>(DriveIndexOf("demo")), faults),
                  drives::DriveError::None);
    }

    static size_t Chunk(int32_t sector)
    {
        return static_cast<size_t>((sector - kFirst) / kDefaultChunkSectors);
    }
    static size_t At(int32_t sector) { return static_cast<size_t>(sector - kFirst) * 2352; }

    // Every chunk answered 0 but those listed, which answered result; then 4.
    static void ExpectResults(const RipOutcome &rip, std::vector<size_t> chunks, int32_t result)
    {
        ASSERT_EQ(rip.results.back(), CDRIP_RIPPING_DONE);
        for (size_t chunk = 0; chunk + 1 < rip.results.size(); ++chunk) {
            const bool listed = std::find(chunks.begin(), chunks.end(), chunk) != chunks.end();
            EXPECT_EQ(rip.results[chunk], listed ? result : CDRIP_OK) << "chunk " << chunk;
        }
    }

    std::vector<uint8_t> image_;
};

TEST_F(FaultTest, JitterIsRepairedAndReportedInItsOwnChunk)
{
    Inject({2100, 2300}, {});
    Configure(Runtime(), true, 0, 0xDF); // the main window's mode: full paranoia but never-skip
    const RipOutcome rip = RipRange(Runtime(), kFirst, kLast);
    ExpectResults(rip, {Chunk(2100), Chunk(2300)}, CDRIP_JITTER_ERROR);
    EXPECT_EQ(rip.jitterErrors, 2);
    ASSERT_EQ(rip.jitterPositions.size(), 2u);
    EXPECT_TRUE(rip.jitterPositions[0].first <= 2100 && 2100 <= rip.jitterPositions[0].second);
    EXPECT_TRUE(rip.jitterPositions[1].first <= 2300 && 2300 <= rip.jitterPositions[1].second);
    EXPECT_TRUE(rip.data == image_) << "paranoia should have repaired the jitter";
}

TEST_F(FaultTest, WithoutJitterCorrectionNothingIsRepaired)
{
    Inject({2100}, {});
    Configure(Linked(), false);
    const RipOutcome rip = RipRange(Linked(), kFirst, kLast);
    ExpectResults(rip, {}, CDRIP_OK);
    EXPECT_EQ(rip.jitterErrors, 0);
    ASSERT_EQ(rip.data.size(), image_.size());
    // Only the jittered sector differs: it arrives displaced, as the drive gave it.
    EXPECT_FALSE(
        std::equal(image_.begin() + At(2100), image_.begin() + At(2101), rip.data.begin() + At(2100)));
    EXPECT_TRUE(std::equal(image_.begin(), image_.begin() + At(2100), rip.data.begin()));
    EXPECT_TRUE(std::equal(image_.begin() + At(2101), image_.end(), rip.data.begin() + At(2101)));
}

TEST_F(FaultTest, AnUnreadableSectorIsSkippedAndReportedWithJitterCorrection)
{
    Inject({}, {2200});
    Configure(Runtime(), true);
    const RipOutcome rip = RipRange(Runtime(), kFirst, kLast);
    EXPECT_EQ(rip.jitterErrors, 1);
    ASSERT_FALSE(rip.jitterPositions.empty());
    const auto [first, last] = rip.jitterPositions.back();
    EXPECT_TRUE(first <= 2200 && 2200 <= last) << first << ".." << last;
    ExpectResults(rip, {Chunk(first), Chunk(last)}, CDRIP_JITTER_ERROR);
    // What paranoia could not read is silence; everything around it is the image's.
    ASSERT_EQ(rip.data.size(), image_.size());
    EXPECT_TRUE(
        std::all_of(rip.data.begin() + At(2200), rip.data.begin() + At(2201), [](uint8_t b) { return !b; }));
    EXPECT_TRUE(std::equal(image_.begin(), image_.begin() + At(first), rip.data.begin()));
    EXPECT_TRUE(std::equal(image_.begin() + At(last + 1), image_.end(), rip.data.begin() + At(last + 1)));
}

TEST_F(FaultTest, AnUnreadableSectorFailsItsChunkWithoutVerification)
{
    std::vector<uint8_t> expected = image_;
    expected.erase(expected.begin() + static_cast<long>(Chunk(2200) * kDefaultChunkSectors * 2352),
                   expected.begin() + static_cast<long>((Chunk(2200) + 1) * kDefaultChunkSectors * 2352));
    // Jitter correction off, or a paranoia mode that verifies nothing: the failure is told.
    Configure(Linked(), false);
    Configure(Runtime(), true, 0, 0);
    for (const RipCalls &calls : {Linked(), Runtime()}) {
        Inject({}, {2200});
        const RipOutcome rip = RipRange(calls, kFirst, kLast);
        ExpectResults(rip, {Chunk(2200)}, CDRIP_ERROR); // and the rip goes on after it
        EXPECT_TRUE(rip.data == expected);
    }
}

TEST_F(FaultTest, NothingIsReadOnceTheTrayOpensOrTheCallerAborts)
{
    const auto drive = static_cast<size_t>(DriveIndexOf("demo"));
    for (const RipCalls &calls : {Linked(), Runtime()}) {
        int32_t chunkBytes = 0;
        ASSERT_EQ(calls.open(&chunkBytes, kFirst, kLast), CDRIP_OK);
        std::vector<uint8_t> buffer(static_cast<size_t>(chunkBytes));
        int32_t bytes = 0;
        EXPECT_EQ(calls.chunk(buffer.data(), &bytes), CDRIP_OK);
        ASSERT_EQ(drives::OpenTray(drive), drives::DriveError::None);
        EXPECT_EQ(calls.chunk(buffer.data(), &bytes), CDRIP_ERROR);
        EXPECT_EQ(bytes, 0);
        ASSERT_EQ(drives::CloseTray(drive), drives::DriveError::None);
        EXPECT_EQ(calls.close(), CDRIP_OK);
    }

    int32_t chunkBytes = 0;
    ASSERT_EQ(cdrip3::CR_OpenRipper(&chunkBytes, kFirst, kLast), CDRIP_OK);
    std::vector<uint8_t> buffer(static_cast<size_t>(chunkBytes));
    int32_t bytes = 0;
    int32_t abort = 1;
    EXPECT_EQ(cdrip3::CR_RipChunk(buffer.data(), &bytes, &abort), CDRIP_ERROR);
    EXPECT_EQ(bytes, 0);
    abort = 0;
    EXPECT_EQ(cdrip3::CR_RipChunk(buffer.data(), &bytes, &abort), CDRIP_OK);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + bytes,
                           image_.begin() + At(kFirst + kDefaultChunkSectors)))
        << "the aborted chunk is passed over";
    EXPECT_EQ(cdrip3::CR_CloseRipper(), CDRIP_OK);
}

} // namespace
} // namespace cdriptest
