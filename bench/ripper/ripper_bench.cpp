// Rips demo tracks to MP3 (128 kbit/s CBR, CRC, jitter correction on) through TCDRIP, next to
// cd-paranoia reading the same image piped into lame with the same settings, in one run. Each
// side runs in a child process so that its wall time and peak memory are its own.

#include "drive_catalogue.h"
#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/ripper/cd_rip.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

namespace {

constexpr int kRuns = 3;

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
};

// Runs body in a child process; its best wall time over kRuns and its largest peak memory.
template <typename Body> Measure InChild(Body body)
{
    Measure best{1e9, 0};
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0)
            std::_Exit(body());
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "child failed\n");
            std::exit(1);
        }
        best.seconds = std::min(best.seconds, seconds);
        best.peakKiB = std::max(best.peakKiB, usage.ru_maxrss);
    }
    return best;
}

int RipOurs(int track, const std::string &out)
{
    int argc = 1;
    char name[] = "ripper_bench";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TLameCoder coder;
    coder.SetBitrate(128);
    TCDRIP ripper;
    ripper.SetEncode(true);
    ripper.SetCoder(&coder);
    try {
        ripper.RipTrack(track, QString::fromStdString(out));
    } catch (const ECDRIPError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

int RipReference(const std::string &cue, int track, const std::string &out)
{
    const std::string command = "cd-paranoia -q -d '" + cue + "' -r " + std::to_string(track) +
                                " - 2>/dev/null | lame --silent -r -s 44.1 --bitwidth 16 --little-endian -m s"
                                " -b 128 --cbr -q 3 -p -t - '" +
                                out + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}

} // namespace

int main()
{
    const std::string cue = std::string(QUAVREL_DISCS_DIR) + "/demo.cue";
    if (!std::filesystem::exists(cue)) {
        std::fprintf(stderr, "no demo disc at %s: build the quavrel_discs target\n", cue.c_str());
        return 1;
    }
    setenv("QUAVREL_DRIVES", cue.c_str(), 1);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quavrel-ripper-bench";
    std::filesystem::create_directories(dir);

    // The shortest and the longest track, to see memory stay flat as the track grows.
    drives::DiscToc toc;
    if (drives::ReadToc(0, toc) != drives::DriveError::None) {
        std::fprintf(stderr, "cannot read the demo disc\n");
        return 1;
    }
    int shortest = 1;
    int longest = 1;
    for (const auto &t : toc.tracks) {
        const auto length = [&](int n) {
            return toc.TrackEnd(toc.tracks[n - 1]) - toc.tracks[n - 1].startLba;
        };
        if (length(t.number) < length(shortest))
            shortest = t.number;
        if (length(t.number) > length(longest))
            longest = t.number;
    }

    std::printf("%-8s %8s %12s %12s %8s %12s %12s\n", "track", "seconds", "ours s", "ref s", "ratio",
                "ours KiB", "ref KiB");
    for (const int track : {shortest, longest}) {
        const auto &t = toc.tracks[track - 1];
        const double audio = (toc.TrackEnd(t) - t.startLba) / 75.0;
        const Measure ours = InChild([&] { return RipOurs(track, (dir / "ours.mp3").string()); });
        const Measure ref = InChild([&] { return RipReference(cue, track, (dir / "ref.mp3").string()); });
        std::printf("%-8d %8.1f %12.3f %12.3f %8.2f %12ld %12ld\n", track, audio, ours.seconds, ref.seconds,
                    ours.seconds / ref.seconds, ours.peakKiB, ref.peakKiB);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
