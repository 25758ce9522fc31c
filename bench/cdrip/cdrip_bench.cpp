// Rips through libCDRIP3.so with jitter correction on, next to cd-paranoia (full paranoia
// without never-skip, its default) reading the same image, each run in a child process of its
// own so its peak memory is its own.
//
//   cdrip_bench [repeats]
//   cdrip_bench --rip CUE TRACK      (the child: one rip through our library; track 0 = whole disc)
//
// Ripped audio goes nowhere (ours is counted, cd-paranoia's goes to /dev/null): both pay for
// reading and verifying only.

#include "cdrip_runtime.h"
#include "library_loader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Run {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

// Track `track` of disc cue (0: every track) read through our library; 0 when every byte came.
int RipWithOurs(const std::string &cue, int track)
{
    setenv("QUAVREL_DRIVES", cue.c_str(), 1);
    setenv("QUAVREL_FAULTS", "", 1);
    platform::Library library =
        platform::Library::Load("CDRIP3.DLL", reinterpret_cast<const void *>(&RipWithOurs));
    auto init = library.Function<cdrip3::CR_Init_fn *>("CR_Init");
    auto readToc = library.Function<cdrip3::CR_ReadToc_fn *>("CR_ReadToc");
    auto tracks = library.Function<cdrip3::CR_GetNumTocEntries_fn *>("CR_GetNumTocEntries");
    auto entry = library.Function<cdrip3::CR_GetTocEntry2_fn *>("CR_GetTocEntry2");
    auto getParams = library.Function<cdrip3::CR_GetCDROMParameters_fn *>("CR_GetCDROMParameters");
    auto setParams = library.Function<cdrip3::CR_SetCDROMParameters_fn *>("CR_SetCDROMParameters");
    auto open = library.Function<cdrip3::CR_OpenRipper_fn *>("CR_OpenRipper");
    auto chunk = library.Function<cdrip3::CR_RipChunk_fn *>("CR_RipChunk");
    auto close = library.Function<cdrip3::CR_CloseRipper_fn *>("CR_CloseRipper");
    if (!init || init("CDRipper.ini") != CDRIP_OK || readToc() != CDRIP_OK)
        return 1;
    TCDRomParams params{};
    getParams(&params);
    params.JitterCorrection = -1;
    setParams(&params);
    // track 0: the whole disc.
    const int32_t count = tracks();
    TCdRipTocEntry first{};
    TCdRipTocEntry end{};
    entry(track == 0 ? 0 : track - 1, &first);
    entry(track == 0 ? count : track, &end);
    int32_t bytes = 0;
    if (open(&bytes, first.StartSector, end.StartSector - 1) != CDRIP_OK)
        return 1;
    std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
    int64_t total = 0;
    int32_t abort = 0;
    for (;;) {
        int32_t got = 0;
        const int32_t result = chunk(buffer.data(), &got, &abort);
        if (result == CDRIP_RIPPING_DONE)
            break;
        if (result != CDRIP_OK)
            return 1;
        total += got;
    }
    close();
    const int64_t expected = int64_t{end.StartSector - first.StartSector} * 2352;
    return total == expected ? 0 : 1;
}

// Runs a program in a fresh process: its peak memory is its own, not a copy of ours.
Run InChild(std::vector<std::string> command)
{
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::vector<char *> argv;
        for (std::string &arg : command)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// A disc of two tracks: the demo disc's first 10 s, then the demo disc's audio repeated to about
// `minutes` minutes. Returns the cue sheet's path.
std::string MakeLongDisc(const fs::path &dir, int minutes)
{
    const fs::path demo = fs::path(QUAVREL_DISCS_DIR) / "demo.bin";
    std::ifstream in(demo, std::ios::binary);
    const std::string audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream bin(dir / "long.bin", std::ios::binary);
    const size_t wanted = static_cast<size_t>(minutes) * 60 * 75 * 2352;
    for (size_t written = 0; written < wanted; written += audio.size())
        bin.write(audio.data(), static_cast<std::streamsize>(std::min(audio.size(), wanted - written)));
    std::ofstream(dir / "long.cue") << "FILE \"long.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                       "  TRACK 02 AUDIO\n    INDEX 01 00:10:00\n";
    return (dir / "long.cue").string();
}

std::string self_;

struct Comparison {
    Run ours;
    Run theirs;
};

// The best of repeats runs each, alternating so both see the same cache.
Comparison Compare(const std::string &cue, int track, int repeats)
{
    Comparison best;
    best.ours.seconds = best.theirs.seconds = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const Run ours = InChild({self_, "--rip", cue, std::to_string(track)});
        const Run theirs = InChild(
            {"cd-paranoia", "-q", "-c", "-d", cue, "-r", track == 0 ? "1-" : std::to_string(track), "-"});
        if (!ours.ok || !theirs.ok) {
            std::fprintf(stderr, "a rip of %s failed (ours %s, cd-paranoia %s)\n", cue.c_str(),
                         ours.ok ? "ok" : "failed", theirs.ok ? "ok" : "failed");
            std::exit(1);
        }
        if (ours.seconds < best.ours.seconds)
            best.ours = ours;
        if (theirs.seconds < best.theirs.seconds)
            best.theirs = theirs;
    }
    return best;
}

void Report(const char *what, double megabytes, const Comparison &c)
{
    const double ours = megabytes / c.ours.seconds;
    const double theirs = megabytes / c.theirs.seconds;
    std::printf("%-34s %8.1f MB  ours %7.1f MB/s (peak %6ld kB)  cd-paranoia %7.1f MB/s (peak %6ld kB)  "
                "ours/theirs %.2f\n",
                what, megabytes, ours, c.ours.peakKb, theirs, c.theirs.peakKb, ours / theirs);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--rip")
        return RipWithOurs(argv[2], std::atoi(argv[3]));
    self_ = fs::read_symlink("/proc/self/exe").string();
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path scratch = fs::temp_directory_path() / ("cdrip-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1); // default parameters, whatever the user saved

    const std::string demo = (fs::path(QUAVREL_DISCS_DIR) / "demo.cue").string();
    const double demoMb = static_cast<double>(fs::file_size(fs::path(QUAVREL_DISCS_DIR) / "demo.bin")) / 1e6;
    std::printf("Jitter correction on (full paranoia, no never-skip) both sides; best of %d runs.\n",
                repeats);
    Report("demo disc, all tracks", demoMb, Compare(demo, 0, repeats));

    const std::string longCue = MakeLongDisc(scratch, 20);
    const double shortMb = 10.0 * 75 * 2352 / 1e6;
    const double longMb = static_cast<double>(fs::file_size(scratch / "long.bin")) / 1e6 - shortMb;
    Report("short track (10 s)", shortMb, Compare(longCue, 1, repeats));
    Report("long track (about 20 min)", longMb, Compare(longCue, 2, std::min(repeats, 3)));
    fs::remove_all(scratch);
    return 0;
}
