// Opus at 160 kbit/s through OpusSink next to the opusenc program on the same music-like PCM, and
// the ReplayGain meter (TrackLoudness) over 74 minutes, the longest disc: how many times faster than
// real time each is, and what the meter's memory grows by. Run by hand.

#include "quavrel/engine/formats/opus_sink.h"
#include "quavrel/engine/loudness/track_loudness.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kRate = 44100;

// One second of stereo chords with vibrato and a little noise, second S of the programme.
std::vector<uint8_t> Second(int s)
{
    std::vector<uint8_t> pcm(kRate * 4);
    uint32_t noise = 12345u + static_cast<uint32_t>(s);
    const double root = 110.0 * std::pow(2.0, (s % 12) / 12.0);
    for (int i = 0; i < kRate; ++i) {
        const double t = s + static_cast<double>(i) / kRate;
        double l = 0, r = 0;
        for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
            l += std::sin(2 * M_PI * root * ratio * t * (1 + 0.003 * std::sin(2 * M_PI * 5 * t)));
            r += std::sin(2 * M_PI * root * ratio * t * 1.001);
        }
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.02;
        const auto put = [&pcm](size_t at, double v) {
            const auto sample = static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
            pcm[at] = static_cast<uint8_t>(sample & 0xFF);
            pcm[at + 1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
        };
        put(4 * static_cast<size_t>(i), l / 5 + n);
        put(4 * static_cast<size_t>(i) + 2, r / 5 + n);
    }
    return pcm;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    constexpr int kOpusSeconds = 120;
    std::vector<std::vector<uint8_t>> music;
    for (int s = 0; s < kOpusSeconds; ++s)
        music.push_back(Second(s));

    // Ours.
    QFile out(dir.filePath("ours.opus"));
    out.open(QIODevice::WriteOnly);
    OpusSink sink(160, TrackTags{});
    QString error;
    auto start = std::chrono::steady_clock::now();
    bool ok = sink.Begin(out, error);
    for (const auto &second : music)
        ok = ok && sink.Write(second.data(), second.size(), error);
    ok = ok && sink.Finish(out, out.fileName(), error);
    const double ours = Seconds(start);
    out.close();
    if (!ok) {
        std::fprintf(stderr, "OpusSink: %s\n", error.toUtf8().constData());
        return 1;
    }

    // The program, on the same PCM as raw input.
    QFile raw(dir.filePath("in.raw"));
    raw.open(QIODevice::WriteOnly);
    for (const auto &second : music)
        raw.write(reinterpret_cast<const char *>(second.data()), static_cast<qint64>(second.size()));
    raw.close();
    const QString command = QStringLiteral("opusenc --quiet --raw --raw-rate 44100 --bitrate 160 '%1' '%2'")
                                .arg(raw.fileName(), dir.filePath("theirs.opus"));
    start = std::chrono::steady_clock::now();
    const int status = std::system(command.toUtf8().constData());
    const double theirs = Seconds(start);
    std::printf("Opus 160 kbit/s, %d s: OpusSink %.1fx real time, opusenc %.1fx (%s), ratio %.2f\n",
                kOpusSeconds, kOpusSeconds / ours, kOpusSeconds / theirs, status == 0 ? "ok" : "failed",
                ours / theirs);

    // The meter over the longest disc, the same minutes again and again.
    constexpr int kDiscSeconds = 74 * 60;
    const long before = PeakKiB();
    TrackLoudness meter;
    start = std::chrono::steady_clock::now();
    for (int s = 0; s < kDiscSeconds; ++s) {
        const auto &second = music[static_cast<size_t>(s % kOpusSeconds)];
        meter.Feed(second.data(), second.size());
    }
    const std::optional<double> gain = meter.Gain();
    const double metered = Seconds(start);
    std::printf("ReplayGain meter, 74 min: %.0fx real time, gain %.2f dB, peak %.4f, memory +%ld KiB\n",
                kDiscSeconds / metered, gain.value_or(NAN), meter.Peak(), PeakKiB() - before);
    return 0;
}
