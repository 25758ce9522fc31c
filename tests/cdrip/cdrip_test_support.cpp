#include "cdrip_test_support.h"

#include "../emulated/emulated_device_of.h"
#include "cdrip_linked.h"
#include "drive_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cdriptest {
namespace {

std::string DiscPath(const std::string &name, const char *extension)
{
    const char *dataDir = std::getenv("QUAVREL_DATA_DIR");
    return std::string(dataDir ? dataDir : ".") + "/discs/" + name + extension;
}

} // namespace

CueDisc ParseCue(const std::string &name)
{
    CueDisc disc;
    std::ifstream in(DiscPath(name, ".cue"));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string keyword;
        std::string kind;
        int number = 0;
        words >> keyword >> number >> kind;
        if (keyword == "TRACK") {
            disc.tracks.push_back({number, 0, kind == "AUDIO"});
        } else if (keyword == "INDEX" && number == 1 && !disc.tracks.empty()) {
            int minutes = 0;
            int seconds = 0;
            int frames = 0;
            std::sscanf(kind.c_str(), "%d:%d:%d", &minutes, &seconds, &frames);
            disc.tracks.back().start = minutes * 4500 + seconds * 75 + frames;
        }
    }
    disc.leadOut = static_cast<int32_t>(std::filesystem::file_size(DiscPath(name, ".bin")) / 2352);
    return disc;
}

std::vector<uint8_t> BinSectors(const std::string &name, int32_t first, int32_t last)
{
    std::ifstream in(DiscPath(name, ".bin"), std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(last - first + 1) * 2352);
    in.seekg(static_cast<std::streamoff>(first) * 2352);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

int32_t DriveIndexOf(const std::string &name)
{
    const std::vector<drives::DriveInfo> all = drives::Drives();
    const std::string device = emulatedtest::EmulatedDeviceOf(DiscPath(name, ".cue"));
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].path == DiscPath(name, ".cue") || (!device.empty() && all[i].path == device))
            return static_cast<int32_t>(i);
    return -1;
}

RipCalls Linked()
{
    return {&CR_GetCDROMParameters,
            &CR_SetCDROMParameters,
            &CR_OpenRipper,
            &CR_RipChunk,
            &CR_GetNumberOfJitterErrors,
            &CR_GetLastJitterErrorPosition,
            &CR_GetPercentCompleted,
            &CR_CloseRipper};
}

RipCalls Runtime()
{
    auto chunk = [](uint8_t *buffer, int32_t *bytes) {
        int32_t abort = 0;
        return cdrip3::CR_RipChunk(buffer, bytes, &abort);
    };
    return {cdrip3::CR_GetCDROMParameters,
            cdrip3::CR_SetCDROMParameters,
            cdrip3::CR_OpenRipper,
            chunk,
            cdrip3::CR_GetNumberOfJitterErrors,
            cdrip3::CR_GetLastJitterErrorPosition,
            cdrip3::CR_GetPercentCompleted,
            cdrip3::CR_CloseRipper};
}

void Configure(const RipCalls &calls, bool jitterCorrection, uint8_t format, int32_t paranoiaMode)
{
    TCDRomParams params{};
    ASSERT_EQ(calls.getParams(&params), CDRIP_OK);
    params.JitterCorrection = jitterCorrection ? -1 : 0;
    params.OutputFormat = format;
    params.UseParanoiaMode = paranoiaMode >= 0 ? 1 : 0;
    params.ParanoiaMode = std::max(paranoiaMode, 0);
    ASSERT_EQ(calls.setParams(&params), CDRIP_OK);
}

RipOutcome RipRange(const RipCalls &calls, int32_t first, int32_t last)
{
    RipOutcome outcome;
    outcome.openResult = calls.open(&outcome.chunkBytes, first, last);
    if (outcome.openResult != CDRIP_OK)
        return outcome;
    std::vector<uint8_t> buffer(static_cast<size_t>(outcome.chunkBytes));
    // A library that never says "done" fails the test instead of hanging it.
    for (int32_t call = 0; call < last - first + 16; ++call) {
        int32_t bytes = -1;
        const int32_t result = calls.chunk(buffer.data(), &bytes);
        outcome.results.push_back(result);
        if (result == CDRIP_RIPPING_DONE)
            break;
        if (result == CDRIP_JITTER_ERROR) {
            auto &position = outcome.jitterPositions.emplace_back(-1, -1);
            calls.lastJitter(&position.first, &position.second);
        }
        if (result == CDRIP_OK || result == CDRIP_JITTER_ERROR)
            outcome.data.insert(outcome.data.end(), buffer.begin(), buffer.begin() + bytes);
    }
    outcome.jitterErrors = calls.jitterErrors();
    outcome.percent = calls.percent();
    calls.close();
    return outcome;
}

void CdRipFixture::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "cdrip-config-XXXXXX").string();
    configHome_ = mkdtemp(pattern.data());
    setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
    drives::RebuildCatalogue();
    ASSERT_EQ(CR_Init(), CDRIP_OK);
    CdAccessStart();
    ASSERT_TRUE(CDRipReady());
}

void CdRipFixture::TearDown()
{
    CdAccessEnd();
    std::filesystem::remove_all(configHome_);
    unsetenv("XDG_CONFIG_HOME");
}

void CdRipFixture::UseDisc(const std::string &name)
{
    const int32_t index = DriveIndexOf(name);
    ASSERT_GE(index, 0) << name << " is not in QUAVREL_DRIVES";
    ASSERT_EQ(CR_SetActiveCDROM(index), CDRIP_OK);
    ASSERT_EQ(cdrip3::CR_SetActiveCDROM(index), CDRIP_OK);
}

} // namespace cdriptest
