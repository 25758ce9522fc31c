// Debian's own CD tools against an emulated drive holding the demo disc, each compared with the
// image itself: cdparanoia's and cd-paranoia's track tables and rips (the PCM of each track equals
// the image's bytes), cd-discid's disc ID (libdiscid's of the image's TOC), cd-info's track list.
// The tools run as child processes, with the emulator preloaded as the test is.

#include "emulated_drives.h"

#include <cstdio>
#include <discid/discid.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

namespace {

using emulatedtest::BinSectors;
using emulatedtest::EmulatedDrives;
using emulatedtest::TrackStarts;

struct Output {
    int status = -1;
    std::string text; // stdout and stderr
};

Output RunTool(const std::string &command)
{
    Output output;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    if (!pipe)
        return output;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.text.append(buffer, n);
    output.status = pclose(pipe.release());
    return output;
}

// (track number, start sector) of every line the pattern matches; its groups are those two.
std::vector<std::pair<int, int32_t>> Rows(const std::string &text, const std::regex &pattern)
{
    std::vector<std::pair<int, int32_t>> rows;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it)
        rows.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]));
    return rows;
}

std::vector<uint8_t> WavPcm(const std::filesystem::path &wav)
{
    std::ifstream in(wav, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.size() < 44 ? std::vector<uint8_t>{} : std::vector<uint8_t>(bytes.begin() + 44, bytes.end());
}

class RealClients : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (const char *tool : {"cdparanoia", "cd-paranoia", "cd-discid", "cd-info"})
            ASSERT_EQ(RunTool(std::string("command -v ") + tool).status, 0)
                << tool << " is missing: scripts/install-deps.sh installs it";
        std::string pattern = (std::filesystem::temp_directory_path() / "real-clients-XXXXXX").string();
        out_ = mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(out_); }

    // The image's tracks as (number, start), as libcdio's image driver reads them.
    std::vector<std::pair<int, int32_t>> ImageTracks() const
    {
        std::vector<std::pair<int, int32_t>> tracks;
        for (size_t i = 0; i + 1 < starts_.size(); ++i)
            tracks.emplace_back(static_cast<int>(i) + 1, starts_[i]);
        return tracks;
    }

    // Every track's PCM in out_/<name of track n> equals the image's.
    void ExpectTracksBitExact(const std::string &format) const
    {
        for (size_t i = 0; i + 1 < starts_.size(); ++i) {
            char name[64];
            std::snprintf(name, sizeof name, format.c_str(), static_cast<int>(i) + 1);
            const std::vector<uint8_t> pcm = WavPcm(std::filesystem::path(out_) / name);
            EXPECT_EQ(pcm.size(), static_cast<size_t>(starts_[i + 1] - starts_[i]) * 2352) << name;
            EXPECT_TRUE(pcm == BinSectors("demo", starts_[i], starts_[i + 1] - 1)) << name << " differs";
        }
    }

    EmulatedDrives drives_{{"demo"}};
    const std::vector<int32_t> starts_ = TrackStarts("demo"); // the lead-out last
    std::string out_;
};

TEST_F(RealClients, CdparanoiaAndCdParanoiaReadTheTrackTableAndRipEveryTrackBitExact)
{
    const std::regex row(R"(\n\s+(\d+)\.\s+\d+ \[[^\]]+\]\s+(\d+) \[)");
    for (const char *tool : {"cdparanoia", "cd-paranoia"}) {
        SCOPED_TRACE(tool);
        const Output query = RunTool(std::string(tool) + " -d " + drives_.Device(0) + " -Q");
        ASSERT_EQ(query.status, 0) << query.text;
        EXPECT_EQ(Rows(query.text, row), ImageTracks()) << query.text;
        EXPECT_NE(query.text.find("TOTAL   10177"), std::string::npos) << query.text;
    }
    // The whole disc in one go with cdparanoia, track by track with cd-paranoia.
    const Output batch = RunTool("cd " + out_ + " && cdparanoia -q -d " + drives_.Device(0) + " -B");
    ASSERT_EQ(batch.status, 0) << batch.text;
    ExpectTracksBitExact("track%02d.cdda.wav");
    for (size_t track = 1; track < starts_.size(); ++track) {
        const std::string n = std::to_string(track);
        const Output rip = RunTool("cd-paranoia -q -d " + drives_.Device(0) + " -w " + n + " " + out_ +
                                   "/cd-paranoia-" + n + ".wav");
        ASSERT_EQ(rip.status, 0) << rip.text;
    }
    ExpectTracksBitExact("cd-paranoia-%d.wav");
}

TEST_F(RealClients, CdDiscidGivesTheImagesDiscIdAndCdInfoItsTrackList)
{
    int offsets[100] = {};
    offsets[0] = starts_.back() + 150;
    for (size_t i = 0; i + 1 < starts_.size(); ++i)
        offsets[i + 1] = starts_[i] + 150;
    std::unique_ptr<DiscId, void (*)(DiscId *)> disc(discid_new(), discid_free);
    ASSERT_TRUE(discid_put(disc.get(), 1, static_cast<int>(starts_.size()) - 1, offsets));
    std::ostringstream expected;
    expected << discid_get_freedb_id(disc.get()) << ' ' << starts_.size() - 1;
    for (size_t i = 0; i + 1 < starts_.size(); ++i)
        expected << ' ' << offsets[i + 1];
    expected << ' ' << offsets[0] / 75 << '\n';
    const Output id = RunTool("cd-discid " + drives_.Device(0));
    ASSERT_EQ(id.status, 0) << id.text;
    EXPECT_EQ(id.text, expected.str());

    const Output info = RunTool("cd-info --no-header --no-cddb --no-device-info " + drives_.Device(0));
    ASSERT_EQ(info.status, 0) << info.text;
    EXPECT_NE(info.text.find("Disc mode is listed as: CD-DA"), std::string::npos) << info.text;
    EXPECT_EQ(Rows(info.text, std::regex(R"(\n\s*(\d+): \d\d:\d\d:\d\d  (\d+) audio)")), ImageTracks())
        << info.text;
    EXPECT_EQ(Rows(info.text, std::regex(R"(\n(170): \d\d:\d\d:\d\d  (\d+) leadout)")),
              (std::vector<std::pair<int, int32_t>>{{170, starts_.back()}}))
        << info.text;
}

} // namespace
