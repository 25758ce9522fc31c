#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace discgen {

namespace {

constexpr int kSampleRate = 44100;

// Harmonic weights and decay per timbre: a soft organ, a bell, a flute, strings, a pluck.
struct Timbre {
    double harmonics[4];
    double decayPerSecond; // exponential decay of each note
};
constexpr Timbre kTimbres[] = {
    {{1.0, 0.5, 0.25, 0.12}, 0.6}, {{1.0, 0.0, 0.6, 0.3}, 4.0}, {{1.0, 0.15, 0.05, 0.0}, 0.3},
    {{1.0, 0.7, 0.5, 0.35}, 0.2},  {{1.0, 0.4, 0.2, 0.1}, 6.0},
};

int16_t Clip(double value)
{
    return static_cast<int16_t>(std::clamp(std::lround(value), -32767L, 32767L));
}

} // namespace

// One sine partial as a rotating phasor: two multiply-adds a sample instead of a sin().
struct Partial {
    double weight;
    double stepCos, stepSin; // rotation by one sample
    double x = 1.0, y = 0.0; // cos and sin of the current phase
};

std::vector<Partial> PartialsOf(const Note &note, const Timbre &timbre)
{
    std::vector<Partial> partials;
    for (double f : note.frequencies)
        for (int h = 0; h < 4; ++h) {
            const double step = 2.0 * std::numbers::pi * f * (h + 1) / kSampleRate;
            if (timbre.harmonics[h] > 0.0 && f * (h + 1) < kSampleRate / 2.0)
                partials.push_back({timbre.harmonics[h], std::cos(step), std::sin(step)});
        }
    return partials;
}

std::vector<unsigned char> SynthesiseTrack(const Track &track)
{
    const size_t frames = static_cast<size_t>(track.sectors) * kSectorBytes / 4;
    std::vector<unsigned char> bytes(frames * 4);
    const Timbre &timbre = kTimbres[static_cast<size_t>(track.timbre) % std::size(kTimbres)];
    const size_t sixteenth = static_cast<size_t>(kSampleRate * 60.0 / track.tempo / 4.0);
    const double left = std::sqrt((1.0 - track.pan) / 2.0);
    const double right = std::sqrt((1.0 + track.pan) / 2.0);
    // Per-sample decay factor of the envelope.
    const double decay = std::exp(-timbre.decayPerSecond / kSampleRate);

    size_t i = 0;
    for (size_t noteIndex = 0; i < frames; noteIndex = (noteIndex + 1) % track.notes.size()) {
        const Note &note = track.notes[noteIndex];
        std::vector<Partial> partials = PartialsOf(note, timbre);
        const double gain = 6000.0 / static_cast<double>(note.frequencies.size());
        const size_t noteEnd = std::min(frames, i + sixteenth * static_cast<size_t>(note.sixteenths));
        double decaying = 1.0;
        for (size_t n = 0; i < noteEnd; ++i, ++n) {
            // A short attack, then decay towards a floor so that a long note never falls silent.
            const double attack = std::min(1.0, static_cast<double>(n) * 200.0 / kSampleRate);
            const double envelope = attack * (0.25 + 0.75 * decaying);
            decaying *= decay;
            double value = 0.0;
            for (Partial &p : partials) {
                value += p.weight * p.y;
                const double x = p.x * p.stepCos - p.y * p.stepSin;
                p.y = p.y * p.stepCos + p.x * p.stepSin;
                p.x = x;
            }
            value *= envelope * gain;
            const int16_t l = Clip(value * left);
            const int16_t r = Clip(value * right);
            bytes[i * 4 + 0] = static_cast<unsigned char>(l & 0xFF);
            bytes[i * 4 + 1] = static_cast<unsigned char>((l >> 8) & 0xFF);
            bytes[i * 4 + 2] = static_cast<unsigned char>(r & 0xFF);
            bytes[i * 4 + 3] = static_cast<unsigned char>((r >> 8) & 0xFF);
        }
    }
    return bytes;
}

} // namespace discgen
