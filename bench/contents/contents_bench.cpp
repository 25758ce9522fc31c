// What reading a disc's contents costs next to a burst rip of it, on the emulated drive with its
// speed model: an album of 12 four-minute tracks with 2-second pre-gaps, ISRCs and a catalogue
// number, in an emulated drive of speed=N (40 by default, the fastest a burst rip goes, so the
// dearest share for the contents), read through libCDRIP3.so as the program reads it:
// CR_ReadDiscContents (the Q sub-channel gap scan, READ SUB-CHANNEL for the ISRCs and catalogue
// number, READ TOC for the CD-Text) against a straight rip (no paranoia) of the whole disc.
//
//   contents_bench [speed]
//
// The image is a sparse file: the drive's time model charges sectors and seeks, not their bytes.

#include "cdrip_runtime.h"
#include "library_loader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kTracks = 12;
constexpr int kTrackSectors = 4 * 60 * 75;
constexpr int kPregapSectors = 2 * 75;

std::string Msf(int sectors)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / 4500, sectors / 75 % 60, sectors % 75);
    return text;
}

std::string MakeAlbum(const fs::path &dir)
{
    std::string sheet = "CATALOG 0731453412729\nFILE \"album.bin\" BINARY\n";
    int position = 0;
    for (int t = 1; t <= kTracks; ++t) {
        char isrc[16];
        std::snprintf(isrc, sizeof isrc, "FRZ0326%05d", t);
        sheet += "  TRACK " + std::string(t < 10 ? "0" : "") + std::to_string(t) + " AUDIO\n    ISRC " +
                 isrc + "\n";
        if (t > 1) {
            sheet += "    INDEX 00 " + Msf(position) + "\n";
            position += kPregapSectors;
        }
        sheet += "    INDEX 01 " + Msf(position) + "\n";
        position += kTrackSectors;
    }
    std::ofstream(dir / "album.cue") << sheet;
    std::ofstream{dir / "album.bin"};
    fs::resize_file(dir / "album.bin", static_cast<uintmax_t>(position) * 2352);
    return (dir / "album.cue").string();
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// In the process the emulator is preloaded into.
int Measure(int speed)
{
    platform::Library library =
        platform::Library::Load("CDRIP3.DLL", reinterpret_cast<const void *>(&Measure));
    auto init = library.Function<cdrip3::CR_Init_fn *>("CR_Init");
    auto readToc = library.Function<cdrip3::CR_ReadToc_fn *>("CR_ReadToc");
    auto contents = library.Function<cdrip3::CR_ReadDiscContents_fn *>("CR_ReadDiscContents");
    auto track = library.Function<cdrip3::CR_GetTrackContents_fn *>("CR_GetTrackContents");
    auto count = library.Function<cdrip3::CR_GetNumTocEntries_fn *>("CR_GetNumTocEntries");
    auto entry = library.Function<cdrip3::CR_GetTocEntry2_fn *>("CR_GetTocEntry2");
    auto getParams = library.Function<cdrip3::CR_GetCDROMParameters_fn *>("CR_GetCDROMParameters");
    auto setParams = library.Function<cdrip3::CR_SetCDROMParameters_fn *>("CR_SetCDROMParameters");
    auto open = library.Function<cdrip3::CR_OpenRipper_fn *>("CR_OpenRipper");
    auto chunk = library.Function<cdrip3::CR_RipChunk_fn *>("CR_RipChunk");
    auto close = library.Function<cdrip3::CR_CloseRipper_fn *>("CR_CloseRipper");
    if (!init || init("CDRipper.ini") != CDRIP_OK || readToc() != CDRIP_OK || !contents) {
        std::fprintf(stderr, "contents_bench: no emulated drive\n");
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    if (contents() != CDRIP_OK)
        return 1;
    const double scan = Seconds(start);
    int found = 0;
    for (int i = 0; i < count(); ++i) {
        TCdRipTrackContents read{};
        track(i, &read);
        found += read.PregapSector == (i == 0 ? 0 : i * kTrackSectors + (i - 1) * kPregapSectors) ? 1 : 0;
    }

    TCDRomParams params{};
    getParams(&params);
    params.JitterCorrection = 0; // a burst rip: straight reads
    params.ChunkSectors = 26;
    setParams(&params);
    TCdRipTocEntry leadOut{};
    entry(count(), &leadOut);
    int32_t bytes = 0;
    start = std::chrono::steady_clock::now();
    if (open(&bytes, 0, leadOut.StartSector - 1) != CDRIP_OK)
        return 1;
    std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
    int32_t abort = 0;
    for (int32_t got = 0; chunk(buffer.data(), &got, &abort) != CDRIP_RIPPING_DONE;)
        ;
    close();
    const double rip = Seconds(start);
    std::printf("speed=%d: %d tracks, %.1f min of audio\n", speed, kTracks, leadOut.StartSector / 4500.0);
    std::printf("  contents (gap scan, ISRC, catalogue, CD-Text): %.2f s, %d of %d pre-gaps found\n", scan,
                found, kTracks);
    std::printf("  burst rip of the whole disc:                   %.2f s\n", rip);
    std::printf("  contents / rip:                                %.1f %%\n", 100.0 * scan / rip);
    return found == kTracks ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--measure")
        return Measure(std::atoi(argv[2]));
    const int speed = argc > 1 ? std::atoi(argv[1]) : 40;
    const fs::path dir = fs::temp_directory_path() / ("contents-bench-" + std::to_string(getpid()));
    fs::create_directories(dir / "config");
    const std::string cue = MakeAlbum(dir);
    std::ofstream{dir / "sr0"};
    const fs::path self = fs::read_symlink("/proc/self/exe");
    setenv("LD_PRELOAD", (self.parent_path() / "libquavrel_emulated_drive.so").c_str(), 1);
    setenv("QUAVREL_EMULATED_DRIVES",
           ((dir / "sr0").string() + "=" + cue + ",speed=" + std::to_string(speed)).c_str(), 1);
    setenv("QUAVREL_DEVICE_DIR", dir.c_str(), 1);
    setenv("QUAVREL_DRIVES", "", 1);
    setenv("QUAVREL_FAULTS", "", 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::fflush(nullptr);
    const std::string command = "'" + self.string() + "' --measure " + std::to_string(speed);
    const int status = std::system(command.c_str());
    fs::remove_all(dir);
    return status == 0 ? 0 : 1;
}
