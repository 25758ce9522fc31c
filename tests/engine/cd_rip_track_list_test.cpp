// The component's track list and drive changes, over the generated images.
#include "ripper_test_support.h"

namespace rippertest {
namespace {

using TrackListTest = RipperFixture;

// Every track of the list matches the cue sheet: name, number, inclusive sectors, kind.
void ExpectTracksMatchCue(const TCDRIP &ripper, const std::string &disc)
{
    const cdriptest::CueDisc cue = cdriptest::ParseCue(disc);
    ASSERT_EQ(ripper.TrackCount(), static_cast<int32_t>(cue.tracks.size())) << disc;
    ASSERT_EQ(ripper.Tracks().Count(), ripper.TrackCount());
    for (size_t i = 0; i < cue.tracks.size(); ++i) {
        const int index = static_cast<int>(i);
        const TTrack &track = ripper.Tracks().Track(index);
        const int32_t end = i + 1 < cue.tracks.size() ? cue.tracks[i + 1].start - 1 : cue.leadOut - 1;
        EXPECT_EQ(ripper.Tracks().Name(index), TrackName(index + 1));
        EXPECT_EQ(track.Number, index + 1);
        EXPECT_EQ(track.StartSector, cue.tracks[i].start) << disc << " track " << i + 1;
        EXPECT_EQ(track.EndSector, end) << disc << " track " << i + 1;
        EXPECT_EQ(track.Kind, cue.tracks[i].audio ? "Audio" : "Data") << disc << " track " << i + 1;
    }
}

TEST_F(TrackListTest, TracksOfEveryImageFollowItsTableOfContents)
{
    for (const std::string disc : {"demo", "mixed", "enhanced", "onetrack"}) {
        const auto ripper = RipperOn(disc);
        ExpectTracksMatchCue(*ripper, disc);
    }
}

TEST_F(TrackListTest, MixedModeDiscStartsWithDataAndEnhancedEndsWithIt)
{
    const auto mixed = RipperOn("mixed");
    EXPECT_EQ(mixed->Tracks().Track(0).Kind, "Data");
    EXPECT_EQ(mixed->Tracks().Track(1).Kind, "Audio");
    const auto enhanced = RipperOn("enhanced");
    EXPECT_EQ(enhanced->Tracks().Track(enhanced->TrackCount() - 1).Kind, "Data");
    EXPECT_EQ(enhanced->Tracks().Track(0).Kind, "Audio");
}

TEST_F(TrackListTest, TrackNamesHaveAtLeastTwoDigits)
{
    EXPECT_EQ(TrackName(1), "Track01");
    EXPECT_EQ(TrackName(12), "Track12");
    EXPECT_EQ(TrackName(100), "Track100");
}

TEST_F(TrackListTest, SwitchingToTheActiveDriveChangesNothing)
{
    const auto ripper = RipperOn("demo");
    // A real drive change reloads Speed from the library's record; this one must not.
    ripper->SetSpeed(7);
    ripper->SetCDRomNum(ripper->CDRomNum());
    EXPECT_EQ(ripper->Speed(), 7);
    ripper->SetCDRomNum(cdriptest::DriveIndexOf("onetrack"));
    EXPECT_NE(ripper->Speed(), 7);
    EXPECT_EQ(ripper->TrackCount(), 1);
}

TEST_F(TrackListTest, DriveChangeTakesTheDrivesParameters)
{
    const auto ripper = RipperOn("demo");
    // The library's defaults for a drive: a little-endian generic drive table.
    EXPECT_EQ(ripper->DriveTable().Endian(), TEndian::LITTLEENDIAN);
    EXPECT_EQ(ripper->OutputFormat(), TOutputFormat::STEREO44100);
    EXPECT_TRUE(ripper->JitterCorrect());
    // A drive index the library does not have keeps the active drive and its list.
    const int32_t before = ripper->CDRomNum();
    ripper->SetCDRomNum(99);
    EXPECT_EQ(ripper->CDRomNum(), before);
    ExpectTracksMatchCue(*ripper, "demo");
}

TEST_F(TrackListTest, DriveTableSettersMaskTheOrdinal)
{
    TDriveTableClass table;
    table.SetDriveType(static_cast<TDriveType>(0x85));
    EXPECT_EQ(static_cast<int32_t>(table.DriveType()), 0x05);
    table.SetAtapi(true);
    EXPECT_EQ(table.Fields()[6], -1);
}

} // namespace
} // namespace rippertest
