#include "lame_stream.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <file_descriptor.h>
#include <mutex>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace lame_enc {
namespace {

constexpr std::array<uint32_t, 9> kMp3Rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// libmp3lame's internal quality levels (0 best, 9 fastest) for the four presets; 3 is what the
// encoder itself picks when nothing is asked.
int LameQuality(int32_t preset)
{
    switch (preset) {
    case BE_QUALITY_NORMAL:
        return 3;
    case BE_QUALITY_LOW:
        return 7;
    case BE_QUALITY_HIGH:
        return 2;
    case BE_QUALITY_VOICE:
        return 5;
    default:
        return -1;
    }
}

MPEG_mode LameMode(int32_t mode)
{
    switch (mode) {
    case BE_MP3_MODE_STEREO:
        return STEREO;
    case BE_MP3_MODE_JSTEREO:
        return JOINT_STEREO;
    case BE_MP3_MODE_DUALCHANNEL:
        return DUAL_CHANNEL;
    case BE_MP3_MODE_MONO:
        return MONO;
    default:
        return NOT_SET;
    }
}

bool IsMp3Rate(uint32_t rate)
{
    return std::find(kMp3Rates.begin(), kMp3Rates.end(), rate) != kMp3Rates.end();
}

void Silent(const char *, va_list) {}

bool Configure(lame_global_flags *lame, const BE_CONFIG &config, uint32_t outRate)
{
    // The library's messages would go to the program's standard error.
    lame_set_errorf(lame, Silent);
    lame_set_debugf(lame, Silent);
    lame_set_msgf(lame, Silent);
    const int channels = config.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    bool ok = lame_set_num_channels(lame, channels) == 0;
    ok = ok && lame_set_in_samplerate(lame, static_cast<int>(config.dwSampleRate)) == 0;
    ok = ok && lame_set_out_samplerate(lame, static_cast<int>(outRate)) == 0;
    ok = ok && lame_set_mode(lame, LameMode(config.nMode)) == 0;
    ok = ok && lame_set_quality(lame, LameQuality(config.nPreset)) == 0;
    ok = ok && lame_set_emphasis(lame, static_cast<int>(config.dwEmphasis)) == 0;
    ok = ok && lame_set_extension(lame, config.bPrivate != 0) == 0;
    ok = ok && lame_set_error_protection(lame, config.bCRC != 0) == 0;
    ok = ok && lame_set_copyright(lame, config.bCopyright != 0) == 0;
    ok = ok && lame_set_original(lame, config.bOriginal != 0) == 0;
    ok = ok && lame_set_bWriteVbrTag(lame, config.bWriteVBRHeader != 0) == 0;
    // The caller writes the bytes it gets; tags are none of the encoder's business.
    lame_set_write_id3tag_automatic(lame, 0);
    if (config.bEnableVBR) {
        const int minRate = static_cast<int>(config.dwBitrate);
        const int maxRate = std::max(minRate, static_cast<int>(config.dwMaxBitrate));
        ok = ok && lame_set_VBR(lame, vbr_default) == 0;
        ok = ok && lame_set_VBR_q(lame, config.nVBRQuality) == 0;
        ok = ok && lame_set_VBR_min_bitrate_kbps(lame, minRate) == 0;
        ok = ok && lame_set_VBR_max_bitrate_kbps(lame, maxRate) == 0;
    } else {
        ok = ok && lame_set_VBR(lame, vbr_off) == 0;
        ok = ok && lame_set_brate(lame, static_cast<int>(config.dwBitrate)) == 0;
    }
    return ok && lame_init_params(lame) == 0;
}

bool ValidSettings(const BE_CONFIG &config, uint32_t outRate)
{
    return config.dwSampleRate >= 8000 && config.dwSampleRate <= 192000 && IsMp3Rate(outRate) &&
           LameMode(config.nMode) != NOT_SET && LameQuality(config.nPreset) >= 0 &&
           (config.dwEmphasis == 0 || config.dwEmphasis == 1 || config.dwEmphasis == 3) &&
           config.dwBitrate >= 8 && config.dwBitrate <= 320 &&
           (!config.bEnableVBR ||
            (config.nVBRQuality >= 0 && config.nVBRQuality <= 9 && config.dwMaxBitrate <= 320));
}

// Where the frame names itself "Xing" or "Info"; npos when it does not.
size_t InfoMarker(const std::vector<uint8_t> &frame)
{
    for (const std::string_view marker : {"Xing", "Info"}) {
        const auto it = std::search(frame.begin(), frame.end(), marker.begin(), marker.end());
        if (it != frame.end())
            return static_cast<size_t>(it - frame.begin());
    }
    return std::string_view::npos;
}

} // namespace

LameStream::LameStream(LamePtr lame, int channels, uint32_t samplesPerChunk, uint32_t bufferSize)
    : lame_(std::move(lame)), channels_(channels), samplesPerChunk_(samplesPerChunk), bufferSize_(bufferSize)
{
}

BE_ERR LameStream::Open(const BE_CONFIG &config, std::unique_ptr<LameStream> *stream)
{
    if (config.dwConfig != BE_CONFIG_LAME || config.dwStructVersion != BE_CONFIG_VERSION ||
        config.dwStructSize != sizeof(BE_CONFIG))
        return BE_ERR_INVALID_FORMAT;
    const uint32_t outRate = config.dwReSampleRate ? config.dwReSampleRate : config.dwSampleRate;
    if (!ValidSettings(config, outRate))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    // libmp3lame fills tables shared by every stream on the first init: streams opened by
    // encoders on several threads are opened one at a time.
    static std::mutex opening;
    std::unique_lock lock(opening);
    LamePtr lame(lame_init());
    if (!lame)
        return BE_ERR_NO_MORE_HANDLES;
    if (!Configure(lame.get(), config, outRate))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    lock.unlock();

    const int channels = lame_get_num_channels(lame.get());
    // One MP3 frame's worth of input per chunk; a resampled stream takes proportionally more.
    const uint64_t frame = static_cast<uint64_t>(lame_get_framesize(lame.get()));
    const uint64_t perChannel = (frame * config.dwSampleRate + outRate - 1) / outRate;
    // libmp3lame's own bound for one call, counted at the MP3's rate, and at least what a flush needs.
    const uint64_t bufferSize = frame * 5 / 4 + 7200;
    stream->reset(new LameStream(std::move(lame), channels, static_cast<uint32_t>(perChannel * channels),
                                 static_cast<uint32_t>(bufferSize)));
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameStream::Encode(uint32_t nSamples, const int16_t *samples, uint8_t *output, uint32_t *outBytes)
{
    if (flushed_)
        return BE_ERR_INVALID_HANDLE;
    if (nSamples > samplesPerChunk_)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (nSamples % static_cast<uint32_t>(channels_) != 0 || (nSamples && !samples) || !output)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outBytes = 0;
    const int perChannel = static_cast<int>(nSamples) / channels_;
    const int size = static_cast<int>(bufferSize_);
    // libmp3lame reads the interleaved buffer without changing it, whatever its prototype says.
    const int produced = channels_ == 1
                             ? lame_encode_buffer(lame_.get(), samples, samples, perChannel, output, size)
                             : lame_encode_buffer_interleaved(lame_.get(), const_cast<int16_t *>(samples),
                                                              perChannel, output, size);
    if (produced == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (produced < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outBytes = static_cast<uint32_t>(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameStream::Flush(uint8_t *output, uint32_t *outBytes)
{
    if (flushed_)
        return BE_ERR_INVALID_HANDLE;
    if (!output)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outBytes = 0;
    const int produced = lame_encode_flush(lame_.get(), output, static_cast<int>(bufferSize_));
    if (produced == -1)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (produced < 0)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    flushed_ = true;
    *outBytes = static_cast<uint32_t>(produced);
    return BE_ERR_SUCCESSFUL;
}

BE_ERR LameStream::WriteInfoTag(const char *fileName) const
{
    if (!flushed_ || !lame_get_bWriteVbrTag(lame_.get()) || !fileName)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::vector<uint8_t> frame(lame_get_lametag_frame(lame_.get(), nullptr, 0));
    if (frame.empty() || lame_get_lametag_frame(lame_.get(), frame.data(), frame.size()) != frame.size())
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const size_t marker = InfoMarker(frame);
    if (marker == std::string_view::npos)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    const platform::FileDescriptor file(open(fileName, O_RDWR | O_CLOEXEC));
    if (file.Get() < 0)
        return BE_ERR_FILE;
    // Only our own frame is overwritten: the same frame header followed by the encoder's blank
    // placeholder, or by a tag written before.
    std::vector<uint8_t> present(frame.size());
    if (pread(file.Get(), present.data(), present.size(), 0) != static_cast<ssize_t>(present.size()))
        return BE_ERR_FILE;
    // The header's mode extension bits and the CRC after it may differ between the two.
    const bool sameHeader =
        std::memcmp(present.data(), frame.data(), 3) == 0 && (present[3] & 0xC0) == (frame[3] & 0xC0);
    const bool blank =
        std::all_of(present.begin() + 6, present.end(), [](uint8_t byte) { return byte == 0; });
    const bool tagged = std::memcmp(present.data() + marker, "Xing", 4) == 0 ||
                        std::memcmp(present.data() + marker, "Info", 4) == 0;
    if (!sameHeader || !(blank || tagged))
        return BE_ERR_FILE;
    if (pwrite(file.Get(), frame.data(), frame.size(), 0) != static_cast<ssize_t>(frame.size()))
        return BE_ERR_FILE;
    return BE_ERR_SUCCESSFUL;
}

} // namespace lame_enc
