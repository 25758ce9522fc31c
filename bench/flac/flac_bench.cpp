// FLAC level 5 through FlacSink next to the flac program, on the same PCM, in one run. Each
// encode runs in a child process so that its CPU time is its own; the PCM reaches the sink in
// the ripper's chunks, read from the same WAV file the program reads. Prints the ratio (ours /
// program) and checks that both files hold the same audio (their STREAMINFO MD5). Run by hand.

#include "quavrel/engine/formats/flac_sink.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QFile>

namespace {

constexpr int kRate = 44100;
constexpr int kRuns = 3;
// What the ripping library hands out per read: 26 sectors.
constexpr size_t kChunkBytes = 26 * 2352;

// Music-like stereo PCM (chords with vibrato and a little noise) after a 44-byte WAV header.
void WriteWav(const std::filesystem::path &path, int seconds)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        std::exit(1);
    const uint32_t dataBytes = static_cast<uint32_t>(seconds) * kRate * 4;
    auto put32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, out); };
    auto put16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, out); };
    std::fwrite("RIFF", 1, 4, out);
    put32(dataBytes + 36);
    std::fwrite("WAVEfmt ", 1, 8, out);
    put32(16);
    put16(1);
    put16(2);
    put32(kRate);
    put32(kRate * 4);
    put16(4);
    put16(16);
    std::fwrite("data", 1, 4, out);
    put32(dataBytes);
    uint32_t noise = 12345;
    std::vector<int16_t> block(2 * kRate);
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < kRate; ++i) {
            const double t = s + static_cast<double>(i) / kRate;
            const double root = 110.0 * std::pow(2.0, (s % 12) / 12.0);
            double l = 0, r = 0;
            for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
                l += 0.12 * std::sin(2 * M_PI * root * ratio * (1 + 0.003 * std::sin(2 * M_PI * 5 * t)) * t);
                r += 0.12 * std::sin(2 * M_PI * root * ratio * 1.002 * t + ratio);
            }
            noise = noise * 1664525u + 1013904223u;
            const double hiss = 0.02 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
            block[2 * i] = static_cast<int16_t>(std::lround((l + hiss) * 32767));
            block[2 * i + 1] = static_cast<int16_t>(std::lround((r - hiss) * 32767));
        }
        std::fwrite(block.data(), 2, block.size(), out);
    }
    std::fclose(out);
}

int EncodeThroughSink(const std::filesystem::path &wav, const std::filesystem::path &flac)
{
    FILE *in = std::fopen(wav.c_str(), "rb");
    if (!in || std::fseek(in, 44, SEEK_SET) != 0)
        return 2;
    const uint64_t frames = (std::filesystem::file_size(wav) - 44) / 4;
    QFile out(QString::fromStdString(flac.string()));
    if (!out.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return 3;
    TrackTags tags;
    tags.Artist = QStringLiteral("Banc d'essai");
    tags.TrackNumber = 1;
    FlacSink sink(5, tags, frames);
    QString error;
    if (!sink.Begin(out, error))
        return 4;
    std::vector<uint8_t> chunk(kChunkBytes);
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), in)) > 0)
        if (!sink.Write(chunk.data(), got, error))
            return 5;
    std::fclose(in);
    return sink.Finish(out, out.fileName(), error) ? 0 : 6;
}

struct Measure {
    double cpuSeconds = 1e300;
    double wallSeconds = 1e300;
    long peakKiB = 0;
};

// Runs work in a child process kRuns times; keeps the best times and the largest peak.
Measure InChild(const std::function<int()> &work)
{
    Measure m;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0)
            _exit(work());
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "encode failed (status %d)\n", status);
            std::exit(7);
        }
        const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                           usage.ru_stime.tv_usec / 1e6;
        m.cpuSeconds = std::min(m.cpuSeconds, cpu);
        m.wallSeconds = std::min(m.wallSeconds, wall);
        m.peakKiB = std::max(m.peakKiB, usage.ru_maxrss);
    }
    return m;
}

std::string Q(const std::filesystem::path &p)
{
    return "'" + p.string() + "'";
}

std::string Md5Of(const std::filesystem::path &flac)
{
    std::string text;
    if (FILE *pipe = popen(("metaflac --show-md5sum " + Q(flac)).c_str(), "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, pipe))
            text = line;
        pclose(pipe);
    }
    return text;
}

} // namespace

int main()
{
    char pattern[] = "/tmp/quavrel-flac-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::filesystem::path dir(pattern);
    const auto wav = dir / "120s.wav";
    WriteWav(wav, 120);

    const Measure ours = InChild([&] { return EncodeThroughSink(wav, dir / "ours.flac"); });
    const Measure program = InChild([&] {
        const std::string command = "flac -s -f -5 -o " + Q(dir / "flac.flac") + " " + Q(wav);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        return 127;
    });
    std::printf("120 s of 16-bit stereo 44100 Hz PCM, level 5, best of %d runs\n", kRuns);
    std::printf("FlacSink %6.3f s cpu %6.3f s wall %6ld KiB | flac %6.3f s cpu %6.3f s wall %6ld KiB | "
                "cpu ratio %.3f wall ratio %.3f\n",
                ours.cpuSeconds, ours.wallSeconds, ours.peakKiB, program.cpuSeconds, program.wallSeconds,
                program.peakKiB, ours.cpuSeconds / program.cpuSeconds,
                ours.wallSeconds / program.wallSeconds);
    std::printf("file sizes: ours %ju flac %ju bytes; same audio: %s\n",
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "ours.flac")),
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "flac.flac")),
                Md5Of(dir / "ours.flac") == Md5Of(dir / "flac.flac") ? "yes" : "NO");
    std::filesystem::remove_all(dir);
    return 0;
}
