// Reading and saving a large "CDRipper.ini" through libCDRIP3.so: 10 000, 20 000 and 40 000
// sections of other drives, each step doubling the file. Linear parsing shows as a time ratio
// near 2 per step.
//
//   settings_bench [repeats [sections...]]

#include "cdrip_runtime.h"
#include "library_loader.h"

#include <algorithm>
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
using Clock = std::chrono::steady_clock;

void WriteSections(const fs::path &file, int sections)
{
    std::ofstream out(file, std::ios::trunc);
    out << "[CDRipper]\nActiveDrive=nobody\n";
    for (int i = 0; i < sections; ++i)
        out << "; drive " << i << "\n[Drive Elsewhere " << i
            << "]\nChunkSectors=26\nSpeed=8\nReadRetries=20\n";
}

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main(int argc, char **argv)
{
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path scratch = fs::temp_directory_path() / ("settings-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch / "Quavrel");
    setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
    setenv("QUAVREL_DRIVES", QUAVREL_DISCS_DIR "/demo.cue", 1);

    platform::Library library = platform::Library::Load("CDRIP3.DLL", reinterpret_cast<const void *>(&main));
    auto init = library.Function<cdrip3::CR_Init_fn *>("CR_Init");
    auto save = library.Function<cdrip3::CR_SaveSettings_fn *>("CR_SaveSettings");
    if (!init || !save) {
        std::fprintf(stderr, "libCDRIP3.so not found\n");
        return 1;
    }

    std::printf("%9s %12s %12s %10s\n", "sections", "read (s)", "save (s)", "ratio");
    double previous = 0;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (sizes.empty())
        sizes = {10000, 20000, 40000};
    for (const int sections : sizes) {
        double read = 1e9;
        double written = 1e9;
        for (int run = 0; run < repeats; ++run) {
            WriteSections(scratch / "Quavrel" / "CDRipper.ini", sections);
            auto start = Clock::now();
            if (init("CDRipper.ini") != CDRIP_OK)
                return 1;
            read = std::min(read, Seconds(start));
            start = Clock::now();
            if (save() != CDRIP_OK)
                return 1;
            written = std::min(written, Seconds(start));
        }
        std::printf("%9d %12.4f %12.4f %10s\n", sections, read, written,
                    previous > 0 ? std::to_string(read / previous).substr(0, 5).c_str() : "-");
        previous = read;
    }
    fs::remove_all(scratch);
    return 0;
}
