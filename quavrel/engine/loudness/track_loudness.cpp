#include "quavrel/engine/loudness/track_loudness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ebur128.h>

struct TrackLoudness::State {
    ebur128_state *meter = nullptr;
    ~State()
    {
        if (meter)
            ebur128_destroy(&meter);
    }
};

namespace {

constexpr size_t kFrameBytes = 4;

std::optional<double> Finite(double value, int status)
{
    if (status != EBUR128_SUCCESS || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

TrackLoudness::TrackLoudness() : state_(std::make_unique<State>())
{
    // The histogram keeps the meter's memory fixed whatever the track's length; its bins are far
    // finer than the tenth of a dB a gain is written with.
    state_->meter =
        ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM);
}

TrackLoudness::~TrackLoudness() = default;

void TrackLoudness::Feed(const uint8_t *Pcm, size_t Bytes)
{
    if (!state_->meter)
        return;
    const auto add = [this](const uint8_t *bytes, size_t frames) {
        samples_.resize(2 * frames);
        for (size_t i = 0; i < samples_.size(); ++i)
            samples_[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        ebur128_add_frames_short(state_->meter, samples_.data(), frames);
    };
    if (partialBytes_ > 0) {
        const size_t taken = std::min(Bytes, kFrameBytes - partialBytes_);
        std::memcpy(partial_ + partialBytes_, Pcm, taken);
        partialBytes_ += taken;
        Pcm += taken;
        Bytes -= taken;
        if (partialBytes_ < kFrameBytes)
            return;
        partialBytes_ = 0;
        add(partial_, 1);
    }
    const size_t frames = Bytes / kFrameBytes;
    if (frames > 0)
        add(Pcm, frames);
    partialBytes_ = Bytes % kFrameBytes;
    std::memcpy(partial_, Pcm + frames * kFrameBytes, partialBytes_);
}

std::optional<double> TrackLoudness::Loudness() const
{
    if (!state_->meter)
        return std::nullopt;
    double loudness = 0;
    const int status = ebur128_loudness_global(state_->meter, &loudness);
    return Finite(loudness, status);
}

double TrackLoudness::Peak() const
{
    double peak = 0;
    for (unsigned channel = 0; state_->meter && channel < 2; ++channel) {
        double value = 0;
        if (ebur128_sample_peak(state_->meter, channel, &value) == EBUR128_SUCCESS)
            peak = std::max(peak, value);
    }
    return peak;
}

std::optional<double> TrackLoudness::Gain() const
{
    const std::optional<double> loudness = Loudness();
    return loudness ? std::optional<double>(kReplayGainReference - *loudness) : std::nullopt;
}

std::optional<double> TrackLoudness::AlbumLoudness(const std::vector<const TrackLoudness *> &Tracks)
{
    std::vector<ebur128_state *> meters;
    for (const TrackLoudness *track : Tracks) {
        if (!track || !track->state_->meter)
            return std::nullopt;
        meters.push_back(track->state_->meter);
    }
    if (meters.empty())
        return std::nullopt;
    double loudness = 0;
    const int status = ebur128_loudness_global_multiple(meters.data(), meters.size(), &loudness);
    return Finite(loudness, status);
}
