// Our be and vb layers next to the lame and oggenc programs, on the same PCM with the same
// settings, in one run. Each encode runs in a child process so that its CPU time and peak
// memory are its own. Prints the ratios (ours / program); run by hand.

#include "lame_enc.h"
#include "vorbis_dll.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kRuns = 3;

// A WAV file of music-like stereo PCM (chords with vibrato, a little noise), written in blocks so
// that nothing of the length is held in memory.
void WriteWav(const std::filesystem::path &path, int seconds)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror("wav");
        std::exit(1);
    }
    const uint32_t dataBytes = static_cast<uint32_t>(seconds) * kRate * kChannels * 2;
    auto put32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, out); };
    auto put16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, out); };
    std::fwrite("RIFF", 1, 4, out);
    put32(dataBytes + 36);
    std::fwrite("WAVEfmt ", 1, 8, out);
    put32(16);
    put16(1);
    put16(kChannels);
    put32(kRate);
    put32(kRate * kChannels * 2);
    put16(kChannels * 2);
    put16(16);
    std::fwrite("data", 1, 4, out);
    put32(dataBytes);
    uint32_t noise = 12345;
    std::vector<int16_t> block(kRate * kChannels);
    const double tau = 2 * M_PI;
    for (int s = 0; s < seconds; ++s) {
        for (int i = 0; i < kRate; ++i) {
            const double t = s + static_cast<double>(i) / kRate;
            const double root = 110.0 * std::pow(2.0, (s % 12) / 12.0);
            const double vibrato = 1 + 0.003 * std::sin(tau * 5 * t);
            double l = 0, r = 0;
            for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
                l += 0.12 * std::sin(tau * root * ratio * vibrato * t);
                r += 0.12 * std::sin(tau * root * ratio * 1.002 * t + ratio);
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

// Reads the PCM after the 44-byte header, block by block.
class WavReader {
  public:
    explicit WavReader(const std::filesystem::path &path) : in_(std::fopen(path.c_str(), "rb"))
    {
        if (!in_ || std::fseek(in_, 44, SEEK_SET) != 0)
            std::exit(2);
    }
    ~WavReader() { std::fclose(in_); }
    size_t Read(int16_t *samples, size_t count) { return std::fread(samples, 2, count, in_); }

  private:
    FILE *in_;
};

int EncodeMp3(const std::filesystem::path &wav, const std::filesystem::path &mp3)
{
    // TLameCoder's defaults: 128 kbit/s constant, stereo, CRC, normal quality.
    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    config.dwStructVersion = BE_CONFIG_VERSION;
    config.dwStructSize = sizeof config;
    config.dwSampleRate = kRate;
    config.nMode = BE_MP3_MODE_STEREO;
    config.dwBitrate = 128;
    config.dwMaxBitrate = 320;
    config.nPreset = BE_QUALITY_NORMAL;
    config.dwMpegVersion = 1;
    config.bCRC = -1;
    config.nVBRQuality = 4;
    uint32_t samples = 0, outSize = 0;
    HBE_STREAM stream = 0;
    if (beInitStream(&config, &samples, &outSize, &stream) != BE_ERR_SUCCESSFUL)
        return 3;
    std::vector<int16_t> pcm(samples);
    std::vector<uint8_t> output(outSize);
    WavReader reader(wav);
    FILE *out = std::fopen(mp3.c_str(), "wb");
    uint32_t bytes = 0;
    size_t got;
    while ((got = reader.Read(pcm.data(), pcm.size())) > 0) {
        if (beEncodeChunk(stream, static_cast<uint32_t>(got), pcm.data(), output.data(), &bytes) != 0)
            return 4;
        std::fwrite(output.data(), 1, bytes, out);
    }
    beDeinitStream(stream, output.data(), &bytes);
    std::fwrite(output.data(), 1, bytes, out);
    std::fclose(out);
    beCloseStream(stream);
    return 0;
}

int EncodeOgg(const std::filesystem::path &wav, const std::filesystem::path &ogg, int quality)
{
    VB_CONFIG config{};
    config.dwStructSize = sizeof config;
    config.dwChannels = kChannels;
    config.dwSamplesPerSec = kRate;
    config.fQuality = static_cast<float>(quality) / 10.0f;
    uint32_t samples = 0, outSize = 0;
    HVB_STREAM stream = 0;
    if (vbEncOpen(&config, nullptr, &samples, &outSize, &stream) != VB_ERR_SUCCESSFUL)
        return 3;
    std::vector<int16_t> pcm(samples);
    std::vector<uint8_t> output(outSize);
    WavReader reader(wav);
    FILE *out = std::fopen(ogg.c_str(), "wb");
    uint32_t bytes = 0;
    size_t got;
    while ((got = reader.Read(pcm.data(), pcm.size())) > 0) {
        if (vbEncWrite(stream, static_cast<uint32_t>(got), pcm.data(), output.data(), &bytes) != 0)
            return 4;
        std::fwrite(output.data(), 1, bytes, out);
    }
    vbEncClose(stream, output.data(), &bytes);
    std::fwrite(output.data(), 1, bytes, out);
    std::fclose(out);
    return 0;
}

struct Measure {
    double cpuSeconds = 1e300; // best of the runs
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
            std::exit(5);
        }
        const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                           usage.ru_stime.tv_usec / 1e6;
        m.cpuSeconds = std::min(m.cpuSeconds, cpu);
        m.wallSeconds = std::min(m.wallSeconds, wall);
        m.peakKiB = std::max(m.peakKiB, usage.ru_maxrss);
    }
    return m;
}

Measure Program(const std::string &command)
{
    return InChild([&] {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char *>(nullptr));
        return 127;
    });
}

void Report(const char *what, const Measure &ours, const Measure &theirs)
{
    std::printf("%-28s ours %6.3f s cpu %6.3f s wall %6ld KiB | program %6.3f s cpu %6.3f s wall %6ld KiB | "
                "cpu ratio %.3f wall ratio %.3f\n",
                what, ours.cpuSeconds, ours.wallSeconds, ours.peakKiB, theirs.cpuSeconds, theirs.wallSeconds,
                theirs.peakKiB, ours.cpuSeconds / theirs.cpuSeconds, ours.wallSeconds / theirs.wallSeconds);
}

std::string Q(const std::filesystem::path &p)
{
    return "'" + p.string() + "'";
}

} // namespace

int main()
{
    char pattern[] = "/tmp/quavrel-encoders-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const std::filesystem::path dir(pattern);
    const auto wav60 = dir / "60s.wav";
    const auto wav180 = dir / "180s.wav";
    WriteWav(wav60, 60);
    WriteWav(wav180, 180);

    std::printf("60 s of 16-bit stereo 44100 Hz PCM, best of %d runs\n", kRuns);
    const Measure mp3 = InChild([&] { return EncodeMp3(wav60, dir / "ours.mp3"); });
    const Measure lame =
        Program("lame --quiet -t -b 128 -m s -p -q 3 " + Q(wav60) + " " + Q(dir / "lame.mp3"));
    Report("MP3 128 kbit/s (be / lame)", mp3, lame);
    const Measure ogg = InChild([&] { return EncodeOgg(wav60, dir / "ours.ogg", 5); });
    const Measure oggenc = Program("oggenc -Q -q 5 -o " + Q(dir / "oggenc.ogg") + " " + Q(wav60));
    Report("Ogg quality 5 (vb / oggenc)", ogg, oggenc);

    std::printf("file sizes: ours.mp3 %ju lame.mp3 %ju ours.ogg %ju oggenc.ogg %ju bytes\n",
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "ours.mp3")),
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "lame.mp3")),
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "ours.ogg")),
                static_cast<uintmax_t>(std::filesystem::file_size(dir / "oggenc.ogg")));

    // Memory stays flat in the track's length.
    const Measure mp3Long = InChild([&] { return EncodeMp3(wav180, dir / "long.mp3"); });
    const Measure oggLong = InChild([&] { return EncodeOgg(wav180, dir / "long.ogg", 5); });
    std::printf("peak memory 60 s -> 180 s: MP3 %ld -> %ld KiB, Ogg %ld -> %ld KiB\n", mp3.peakKiB,
                mp3Long.peakKiB, ogg.peakKiB, oggLong.peakKiB);

    std::filesystem::remove_all(dir);
    return 0;
}
