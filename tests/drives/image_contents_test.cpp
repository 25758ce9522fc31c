// What the images hold beyond their table, as the catalogue reads it: the cdrdao TOCs that discgen
// writes as cdrdao writes them for real discs read as their cue sheets do (libcdio being the cue
// sheets' reference), from any working folder.

#include "drives_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <cdio/cdio.h>
#include <cdio_handle.h>
#include <gtest/gtest.h>

namespace {

using namespace drivestest;
using drives::DriveError;

std::string ImagePath(const std::string &file)
{
    return std::filesystem::path(DiscPath("demo")).parent_path() / file;
}

struct Read {
    drives::DiscToc toc;
    drives::DiscContents contents;
    std::vector<uint8_t> audio; // every sector
};

Read ReadAll(const std::string &path)
{
    Read read;
    const size_t index = IndexOf(path);
    EXPECT_EQ(drives::ReadToc(index, read.toc), DriveError::None) << path;
    EXPECT_EQ(drives::ReadContents(index, read.contents), DriveError::None) << path;
    read.audio.resize(static_cast<size_t>(read.toc.leadOutLba) * drives::kSectorBytes);
    EXPECT_EQ(drives::ReadAudio(index, 0, read.toc.leadOutLba, read.audio.data()), DriveError::None) << path;
    return read;
}

void ExpectSameTable(const Read &toc, const Read &cue, const std::string &what)
{
    ASSERT_EQ(toc.toc.tracks.size(), cue.toc.tracks.size()) << what;
    EXPECT_EQ(toc.toc.leadOutLba, cue.toc.leadOutLba) << what;
    for (size_t i = 0; i < cue.toc.tracks.size(); ++i) {
        EXPECT_EQ(toc.toc.tracks[i].startLba, cue.toc.tracks[i].startLba) << what << " track " << i + 1;
        EXPECT_EQ(toc.toc.tracks[i].audio, cue.toc.tracks[i].audio) << what << " track " << i + 1;
        EXPECT_EQ(toc.contents.tracks[i].pregap, cue.contents.tracks[i].pregap) << what << " track " << i + 1;
        EXPECT_EQ(toc.contents.tracks[i].control, cue.contents.tracks[i].control)
            << what << " track " << i + 1;
        EXPECT_EQ(toc.contents.tracks[i].isrc, cue.contents.tracks[i].isrc) << what << " track " << i + 1;
    }
    EXPECT_EQ(toc.contents.catalog, cue.contents.catalog) << what;
    EXPECT_EQ(toc.contents.cdText, cue.contents.cdText) << what;
}

TEST(DiscImages, CdrdaoTocsReadAsTheirCueSheetsFromAnyFolder)
{
    const std::vector<std::string> discs{"demo", "mixed", "enhanced", "onetrack", "contents"};
    std::string list;
    for (const std::string &disc : discs)
        list += ImagePath(disc + ".cue") + ":" + ImagePath(disc + ".toc") + ":";
    list += ImagePath("contents-silence.toc");
    ScopedEnvironment listed("QUAVREL_DRIVES", list);
    // The TOCs name their data files relatively: they are found from the TOC's folder.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/");

    for (const std::string &disc : discs) {
        const Read cue = ReadAll(ImagePath(disc + ".cue"));
        const Read toc = ReadAll(ImagePath(disc + ".toc"));
        ExpectSameTable(toc, cue, disc);
        EXPECT_TRUE(toc.audio == cue.audio) << disc << ": the big-endian samples read as the cue's";
    }

    // The first pre-gap as SILENCE, the data file beginning at track 1: the same table, and the
    // hidden audio silent.
    const Read cue = ReadAll(ImagePath("contents.cue"));
    const Read silent = ReadAll(ImagePath("contents-silence.toc"));
    ExpectSameTable(silent, cue, "contents-silence");
    const size_t hidden = static_cast<size_t>(cue.toc.tracks[0].startLba) * drives::kSectorBytes;
    EXPECT_TRUE(std::all_of(silent.audio.begin(), silent.audio.begin() + static_cast<long>(hidden),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(silent.audio.begin() + static_cast<long>(hidden), silent.audio.end(),
                           cue.audio.begin() + static_cast<long>(hidden)));
    std::filesystem::current_path(before);

    // libcdio reads the cue sheet to the same pre-gaps, flags, ISRCs and catalogue number.
    platform::SilenceCdioLog();
    CdIo_t *cdio = cdio_open(ImagePath("contents.cue").c_str(), DRIVER_BINCUE);
    ASSERT_NE(cdio, nullptr);
    char *mcn = cdio_get_mcn(cdio);
    EXPECT_EQ(cue.contents.catalog, mcn ? mcn : "");
    cdio_free(mcn);
    for (const drives::TrackContents &track : cue.contents.tracks) {
        const auto t = static_cast<track_t>(track.number);
        const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, t);
        EXPECT_EQ(track.pregap, pregap == CDIO_INVALID_LSN ? cdio_get_track_lsn(cdio, t) : pregap)
            << track.number;
        EXPECT_EQ((track.control & 1) != 0, cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE);
        EXPECT_EQ((track.control & 2) != 0, cdio_get_track_copy_permit(cdio, t) == CDIO_TRACK_FLAG_TRUE);
        char *isrc = cdio_get_track_isrc(cdio, t);
        EXPECT_EQ(track.isrc, isrc ? isrc : "") << track.number;
        cdio_free(isrc);
    }
    cdio_destroy(cdio);
    // What the contents disc holds: a hidden track, a track without a pre-gap, both flags, CD-Text.
    EXPECT_EQ(cue.contents.tracks[0].pregap, 0);
    EXPECT_EQ(cue.toc.tracks[0].startLba, 450);
    EXPECT_EQ(cue.contents.tracks[3].pregap, cue.toc.tracks[3].startLba);
    EXPECT_EQ(cue.contents.tracks[1].control, 1);
    EXPECT_EQ(cue.contents.tracks[2].control, 2);
    EXPECT_FALSE(cue.contents.cdText.empty());
}

TEST(DiscImages, ACueSheetsPregapIsSilenceThatShiftsTheTracksAfterIt)
{
    // libcdio 2.1 skips PREGAP: the catalogue adds it, as a burner would write it.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quavrel-pregap-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(ImagePath("onetrack.bin"), dir / "gap.bin");
    std::ofstream(dir / "gap.cue") << "FILE \"gap.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                      "  TRACK 02 AUDIO\n    PREGAP 00:02:00\n    INDEX 01 00:04:00\n";
    ScopedEnvironment listed("QUAVREL_DRIVES", (dir / "gap.cue").string());
    const Read read = ReadAll((dir / "gap.cue").string());
    ASSERT_EQ(read.toc.tracks.size(), 2u);
    EXPECT_EQ(read.toc.tracks[1].startLba, 300 + 150);
    EXPECT_EQ(read.contents.tracks[1].pregap, 300);
    EXPECT_EQ(read.toc.leadOutLba, 675 + 150);
    const std::vector<uint8_t> bin = BinSectors("onetrack", 0, 675);
    const size_t gap = 300 * drives::kSectorBytes;
    const size_t after = 150 * drives::kSectorBytes;
    EXPECT_TRUE(std::equal(bin.begin(), bin.begin() + static_cast<long>(gap), read.audio.begin()));
    EXPECT_TRUE(std::all_of(read.audio.begin() + static_cast<long>(gap),
                            read.audio.begin() + static_cast<long>(gap + after),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(bin.begin() + static_cast<long>(gap), bin.end(),
                           read.audio.begin() + static_cast<long>(gap + after)));
    std::filesystem::remove_all(dir);
}

TEST(DiscImages, ACdrdaoTocsOtherStatementsPlaceEveryTrackAndEverySample)
{
    // What discgen's TOCs leave out: a WAVE file, PREGAP, INDEX, a bare START, ZERO, a cooked
    // MODE1 data file, the flags.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quavrel-toc-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::vector<uint8_t> pcm = BinSectors("demo", 0, 750);
    {
        std::ofstream wav(dir / "a.wav", std::ios::binary);
        const auto le32 = [&wav](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                wav.put(static_cast<char>(v >> (8 * i)));
        };
        wav << "RIFF";
        le32(static_cast<uint32_t>(36 + pcm.size()));
        wav << "WAVEfmt ";
        le32(16);
        wav.write("\x01\x00\x02\x00\x44\xAC\x00\x00\x10\xB1\x02\x00\x04\x00\x10\x00", 16);
        wav << "data";
        le32(static_cast<uint32_t>(pcm.size()));
        wav.write(reinterpret_cast<const char *>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
        std::ofstream iso(dir / "d.iso", std::ios::binary);
        for (int block = 0; block < 20; ++block)
            iso << std::string(2048, static_cast<char>('A' + block));
    }
    std::ofstream(dir / "other.toc")
        << "CD_ROM\nCATALOG \"1234567890123\"\n"
           "TRACK AUDIO\nFILE \"a.wav\" 0 00:04:00\n"
           "TRACK AUDIO\nPRE_EMPHASIS FOUR_CHANNEL_AUDIO\nPREGAP 00:01:00\n"
           "FILE \"a.wav\" 00:04:00 00:03:00\nINDEX 00:01:00\n"
           "TRACK AUDIO\nFILE \"a.wav\" 00:07:00 00:01:00\nSTART\nFILE \"a.wav\" 00:08:00\n"
           "TRACK MODE1\nZERO 00:00:10\nDATAFILE \"d.iso\" // 40960 bytes\n";
    ScopedEnvironment listed("QUAVREL_DRIVES", (dir / "other.toc").string());
    const Read read = ReadAll((dir / "other.toc").string());
    ASSERT_EQ(read.toc.tracks.size(), 4u);
    const std::vector<int32_t> starts{read.toc.tracks[0].startLba, read.toc.tracks[1].startLba,
                                      read.toc.tracks[2].startLba, read.toc.tracks[3].startLba};
    EXPECT_EQ(starts, (std::vector<int32_t>{0, 375, 675, 825}));
    EXPECT_EQ(read.toc.leadOutLba, 855);
    EXPECT_FALSE(read.toc.tracks[3].audio);
    EXPECT_EQ(read.contents.tracks[1].pregap, 300);
    EXPECT_EQ(read.contents.tracks[2].pregap, 600);
    EXPECT_EQ(read.contents.tracks[1].control, 0x09);
    EXPECT_EQ(read.contents.catalog, "1234567890123");
    const auto sectors = [&read](int32_t first, int32_t count) {
        return std::vector<uint8_t>(read.audio.begin() + int64_t{first} * drives::kSectorBytes,
                                    read.audio.begin() + int64_t{first + count} * drives::kSectorBytes);
    };
    const auto wavSectors = [&pcm](int32_t first, int32_t count) {
        return std::vector<uint8_t>(pcm.begin() + int64_t{first} * drives::kSectorBytes,
                                    pcm.begin() + int64_t{first + count} * drives::kSectorBytes);
    };
    // WAVE samples are little-endian, as they are; the pre-gap's silence sits before them.
    EXPECT_EQ(sectors(0, 300), wavSectors(0, 300));
    EXPECT_EQ(sectors(300, 75), std::vector<uint8_t>(75 * drives::kSectorBytes, 0));
    EXPECT_EQ(sectors(375, 225), wavSectors(300, 225));
    EXPECT_EQ(sectors(600, 225), wavSectors(525, 225));
    // The data sectors get a sync and a mode 1 header before the file's 2048 bytes.
    const std::vector<uint8_t> data = sectors(835, 1);
    EXPECT_EQ(data[15], 1);
    EXPECT_EQ(std::string(data.begin() + 16, data.begin() + 2064), std::string(2048, 'A'));
    std::filesystem::remove_all(dir);
}

} // namespace
