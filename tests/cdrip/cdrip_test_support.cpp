#include "cdrip_test_support.h"

#include "cd_access.h"
#include "cdrip_linked.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "drive_catalogue.h"

namespace cdriptest {
namespace {

std::string BinPath(const std::string &name)
{
    const std::string cue = DiscPath(name);
    return cue.substr(0, cue.size() - 4) + ".bin";
}

class Linked final : public RipApi {
public:
    const char *Name() const override { return "linked"; }
    int32_t Init() override { return CR_Init(); }
    int32_t SetActive(int32_t index) override { return CR_SetActiveCDROM(index); }
    int32_t Active() override { return CR_GetActiveCDROM(); }
    int32_t GetParams(TCDRomParams &params) override { return CR_GetCDROMParameters(&params); }
    int32_t SetParams(const TCDRomParams &params) override { return CR_SetCDROMParameters(&params); }
    int32_t ReadToc() override { return CR_ReadToc(); }
    int32_t TrackCount() override { return CR_GetNumTocEntries(); }
    TCdRipTocEntry Entry(int32_t index) override { return UnpackTocEntry(CR_GetTocEntry(index)); }
    int32_t Open(int32_t &chunkBytes, int32_t first, int32_t last) override
    {
        return CR_OpenRipper(&chunkBytes, first, last);
    }
    int32_t Chunk(uint8_t *buffer, int32_t &bytes) override { return CR_RipChunk(buffer, &bytes); }
    int32_t Percent() override { return CR_GetPercentCompleted(); }
    int32_t JitterErrors() override { return CR_GetNumberOfJitterErrors(); }
    std::pair<int32_t, int32_t> LastJitter() override
    {
        int32_t first = -1;
        int32_t last = -1;
        CR_GetLastJitterErrorPosition(&first, &last);
        return {first, last};
    }
    int32_t Close() override { return CR_CloseRipper(); }
};

class Runtime final : public RipApi {
public:
    const char *Name() const override { return "runtime"; }
    int32_t Init() override { return cdrip3::CR_Init("CDRipper.ini"); }
    int32_t SetActive(int32_t index) override { return cdrip3::CR_SetActiveCDROM(index); }
    int32_t Active() override { return cdrip3::CR_GetActiveCDROM(); }
    int32_t GetParams(TCDRomParams &params) override { return cdrip3::CR_GetCDROMParameters(&params); }
    int32_t SetParams(const TCDRomParams &params) override { return cdrip3::CR_SetCDROMParameters(&params); }
    int32_t ReadToc() override { return cdrip3::CR_ReadToc(); }
    int32_t TrackCount() override { return cdrip3::CR_GetNumTocEntries(); }
    TCdRipTocEntry Entry(int32_t index) override
    {
        TCdRipTocEntry entry{-1, 0, 0};
        cdrip3::CR_GetTocEntry2(index, &entry);
        return entry;
    }
    int32_t Open(int32_t &chunkBytes, int32_t first, int32_t last) override
    {
        return cdrip3::CR_OpenRipper(&chunkBytes, first, last);
    }
    int32_t Chunk(uint8_t *buffer, int32_t &bytes) override
    {
        int32_t abort = 0;
        return cdrip3::CR_RipChunk(buffer, &bytes, &abort);
    }
    int32_t Percent() override { return cdrip3::CR_GetPercentCompleted(); }
    int32_t JitterErrors() override { return cdrip3::CR_GetNumberOfJitterErrors(); }
    std::pair<int32_t, int32_t> LastJitter() override
    {
        int32_t first = -1;
        int32_t last = -1;
        cdrip3::CR_GetLastJitterErrorPosition(&first, &last);
        return {first, last};
    }
    int32_t Close() override { return cdrip3::CR_CloseRipper(); }
};

} // namespace

std::string DiscPath(const std::string &name)
{
    const char *dataDir = std::getenv("QUAVREL_DATA_DIR");
    return std::string(dataDir ? dataDir : ".") + "/discs/" + name + ".cue";
}

CueDisc ParseCue(const std::string &name)
{
    CueDisc disc;
    std::ifstream in(DiscPath(name));
    const std::regex trackLine(R"(^\s*TRACK\s+(\d+)\s+(\S+))");
    const std::regex indexLine(R"(^\s*INDEX\s+01\s+(\d+):(\d+):(\d+))");
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (std::regex_search(line, match, trackLine)) {
            disc.tracks.push_back({std::stoi(match[1]), 0, match[2] == "AUDIO"});
        } else if (std::regex_search(line, match, indexLine) && !disc.tracks.empty()) {
            disc.tracks.back().start = std::stoi(match[1]) * 4500 + std::stoi(match[2]) * 75 + std::stoi(match[3]);
        }
    }
    disc.leadOut = static_cast<int32_t>(std::filesystem::file_size(BinPath(name)) / 2352);
    return disc;
}

std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last)
{
    std::ifstream in(BinPath(name), std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(last - first + 1) * 2352);
    in.seekg(static_cast<std::streamoff>(first) * 2352);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

int32_t DriveIndexOf(const std::string &name)
{
    const std::string path = DiscPath(name);
    const std::vector<drives::DriveInfo> all = drives::Drives();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].path == path)
            return static_cast<int32_t>(i);
    return -1;
}

std::unique_ptr<RipApi> LinkedApi()
{
    return std::make_unique<Linked>();
}

std::unique_ptr<RipApi> RuntimeApi()
{
    return std::make_unique<Runtime>();
}

void Configure(RipApi &api, bool jitterCorrection, uint8_t format)
{
    TCDRomParams params{};
    ASSERT_EQ(api.GetParams(params), CDRIP_OK);
    params.JitterCorrection = jitterCorrection ? -1 : 0;
    params.OutputFormat = format;
    ASSERT_EQ(api.SetParams(params), CDRIP_OK);
}

RipOutcome RipRange(RipApi &api, int32_t first, int32_t last)
{
    RipOutcome outcome;
    outcome.openResult = api.Open(outcome.chunkBytes, first, last);
    if (outcome.openResult != CDRIP_OK)
        return outcome;
    std::vector<uint8_t> buffer(static_cast<size_t>(outcome.chunkBytes));
    // Far more calls than the range needs: a library that never says "done" fails the test
    // instead of hanging it.
    const int32_t limit = (last - first + 1) + 16;
    for (int32_t call = 0; call < limit; ++call) {
        int32_t bytes = -1;
        const int32_t result = api.Chunk(buffer.data(), bytes);
        outcome.results.push_back(result);
        if (result == CDRIP_RIPPING_DONE)
            break;
        if (result == CDRIP_JITTER_ERROR)
            outcome.jitterPositions.push_back(api.LastJitter());
        if (result == CDRIP_OK || result == CDRIP_JITTER_ERROR)
            outcome.data.insert(outcome.data.end(), buffer.begin(), buffer.begin() + bytes);
    }
    outcome.jitterErrors = api.JitterErrors();
    outcome.percent = api.Percent();
    api.Close();
    return outcome;
}

TempConfigHome::TempConfigHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cdrip-config-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

TempConfigHome::~TempConfigHome()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    unsetenv("XDG_CONFIG_HOME");
}

} // namespace cdriptest
