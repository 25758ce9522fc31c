// The disc ID and the query command, checked against the worked example, boundary tables and
// libdiscid's freedb ID of the same offsets.

#include "cddb_server_process.h"
#include "disc_id.h"
#include "test_support.h"

#include <cstdio>
#include <discid/discid.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

using namespace ostrelle_test;

namespace {

// libdiscid's freedb ID for the same offsets: an implementation independent of ours.
std::string LibdiscidFreedbId(const std::vector<uint32_t> &offsets, uint32_t leadOut)
{
    std::vector<int> table(offsets.size() + 1);
    table[0] = static_cast<int>(leadOut);
    for (size_t i = 0; i < offsets.size(); ++i)
        table[i + 1] = static_cast<int>(offsets[i]);
    DiscId *disc = discid_new();
    std::string id;
    if (discid_put(disc, 1, static_cast<int>(offsets.size()), table.data()))
        id = discid_get_freedb_id(disc);
    discid_free(disc);
    return id;
}

std::string Hex(uint32_t id)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

// A table whose track start seconds have the given digit sums' total: tracks at 0:09, one
// remainder track; only the ID's checksum is looked at.
TCdToc TocWithChecksumTotal(int total)
{
    TCdToc toc{};
    int count = 0;
    for (; total >= 9; total -= 9)
        toc.Tracks[count++].Second = 9;
    if (total > 0)
        toc.Tracks[count++].Second = static_cast<uint8_t>(total);
    toc.Count = static_cast<uint8_t>(count);
    toc.LeadOut.Minute = 70;
    return toc;
}

} // namespace

TEST(DiscId, WorkedExample)
{
    TCdToc toc{};
    toc.Count = 2;
    toc.Tracks[0] = {0, 2, 0, OSTRELLE_TRUE};
    toc.Tracks[1] = {3, 15, 20, OSTRELLE_TRUE};
    toc.LeadOut = {7, 40, 10, OSTRELLE_FALSE};
    EXPECT_EQ(CalcDiscID(&toc), 0x1101CA02u);
    EXPECT_EQ(ostrelle::QueryCommandOf(toc), "cddb query 1101CA02 2 150 14645 460");
}

TEST(DiscId, ChecksumIsModulo255)
{
    for (auto [total, top] : {std::pair{254, 254u}, {255, 0u}, {256, 1u}, {510, 0u}, {511, 1u}}) {
        const TCdToc toc = TocWithChecksumTotal(total);
        EXPECT_EQ(CalcDiscID(&toc) >> 24, top) << "checksum total " << total;
    }
}

TEST(DiscId, FramesChangeTheQueryButNotTheId)
{
    TCdToc a = TocFromFrames({150, 14645}, 34510);
    TCdToc b = a;
    b.Tracks[0].Frame = 74;
    b.Tracks[1].Frame = 0;
    b.LeadOut.Frame = 74;
    EXPECT_EQ(CalcDiscID(&a), CalcDiscID(&b));
    EXPECT_EQ(ostrelle::QueryCommandOf(b), "cddb query 1101CA02 2 224 14625 460");
}

TEST(DiscId, EmptyTables)
{
    const TCdToc zero{};
    EXPECT_EQ(CalcDiscID(&zero), 0u);
    EXPECT_EQ(ostrelle::QueryCommandOf(zero), "cddb query 00000000 0 0");

    TCdToc noTracks{};
    noTracks.LeadOut = {7, 40, 10, OSTRELLE_FALSE};
    EXPECT_EQ(CalcDiscID(&noTracks), 460u << 8);
    EXPECT_EQ(ostrelle::QueryCommandOf(noTracks), "cddb query 0001CC00 0 460");
}

TEST(DiscId, NinetyNineTracksInUpperCaseHex)
{
    std::vector<uint32_t> offsets;
    for (uint32_t i = 0; i < 99; ++i)
        offsets.push_back(150 + i * 3377);
    const uint32_t leadOut = 150 + 99 * 3377;
    const TCdToc toc = TocFromFrames(offsets, leadOut);
    const uint32_t id = CalcDiscID(&toc);
    EXPECT_EQ(id & 0xFF, 0x63u);
    EXPECT_EQ(Hex(id), LibdiscidFreedbId(offsets, leadOut));

    std::istringstream words(ostrelle::QueryCommandOf(toc));
    std::vector<std::string> parts{std::istream_iterator<std::string>(words), {}};
    ASSERT_EQ(parts.size(), 2 + 1 + 1 + 99 + 1u);
    EXPECT_EQ(parts[2].find_first_of("abcdef"), std::string::npos) << parts[2];
    EXPECT_EQ(parts[3], "99");
    EXPECT_EQ(parts[4 + 98], std::to_string(offsets[98]));
}

TEST(DiscId, CountBeyondTheRecordReadsOnlyItsHundredEntries)
{
    TCdToc toc = TocFromFrames({150, 20000}, 40000);
    toc.Count = 250;
    EXPECT_EQ(CalcDiscID(&toc) & 0xFF, 100u);
    EXPECT_EQ(ostrelle::QueryCommandOf(toc).rfind("cddb query ", 0), 0u);
}

TEST(DiscId, AgreesWithLibdiscidOnRandomTables)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 500; ++round) {
        const int count = std::uniform_int_distribution<int>(1, 99)(random);
        std::vector<uint32_t> offsets;
        uint32_t frame = std::uniform_int_distribution<uint32_t>(150, 400)(random);
        for (int i = 0; i < count; ++i) {
            offsets.push_back(frame);
            frame += std::uniform_int_distribution<uint32_t>(300, 30000)(random);
        }
        if (frame >= 80 * 4500)
            continue;
        const TCdToc toc = TocFromFrames(offsets, frame);
        ASSERT_EQ(Hex(CalcDiscID(&toc)), LibdiscidFreedbId(offsets, frame)) << "round " << round;
    }
}

// Each fixture entry is named by its disc ID; its offsets and length must give that ID, by our
// computation and by libdiscid's.
TEST(DiscId, FixtureEntriesAreNamedByTheirIds)
{
    int checked = 0;
    for (const auto &file : std::filesystem::recursive_directory_iterator(FixtureDir())) {
        if (!file.is_regular_file() || file.path().parent_path() == FixtureDir() ||
            file.path().extension() == ".md")
            continue;
        std::ifstream in(file.path());
        std::vector<uint32_t> offsets;
        uint32_t seconds = 0;
        bool inOffsets = false;
        for (std::string line; std::getline(in, line);) {
            if (line.find("Track frame offsets") != std::string::npos)
                inOffsets = true;
            else if (inOffsets && line.size() > 2 && std::isdigit(static_cast<unsigned char>(line.back())))
                offsets.push_back(static_cast<uint32_t>(std::stoul(line.substr(1))));
            else
                inOffsets = false;
            if (std::sscanf(line.c_str(), "# Disc length: %u seconds", &seconds) == 1)
                break;
        }
        ASSERT_FALSE(offsets.empty()) << file.path();
        const TCdToc toc = TocFromFrames(offsets, seconds * 75);
        EXPECT_EQ(Hex(CalcDiscID(&toc)), file.path().filename().string());
        EXPECT_EQ(LibdiscidFreedbId(offsets, seconds * 75), file.path().filename().string());
        ++checked;
    }
    EXPECT_GE(checked, 5);
}
