#pragma once
// A track's loudness as ReplayGain 2.0 has it: the integrated loudness of EBU R128 (gated, in
// LUFS) and the sample peak, measured from the drive's 16-bit stereo PCM at 44100 Hz as it flows.
// The gain brings the track to the reference, -18 LUFS.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

inline constexpr double kReplayGainReference = -18.0;

class TrackLoudness {
  public:
    TrackLoudness();
    ~TrackLoudness();
    TrackLoudness(const TrackLoudness &) = delete;
    TrackLoudness &operator=(const TrackLoudness &) = delete;

    // 16-bit little-endian, channels interleaved; a frame split between two calls is kept.
    void Feed(const uint8_t *Pcm, size_t Bytes);
    // Nullopt for a track with nothing above the gate (silence) or when the meter could not be made.
    std::optional<double> Loudness() const;
    // The largest sample, 1.0 being full scale.
    double Peak() const;
    // The gain to the reference, in dB; nullopt as Loudness.
    std::optional<double> Gain() const;

    // The album's loudness over all of Tracks, as one programme (their blocks gated together).
    static std::optional<double> AlbumLoudness(const std::vector<const TrackLoudness *> &Tracks);

  private:
    struct State;
    std::unique_ptr<State> state_;
    uint8_t partial_[4] = {};
    size_t partialBytes_ = 0;
    std::vector<int16_t> samples_;
};
