#include "vorbis_encoder.h"

#include "comment_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include <vorbis/vorbisenc.h>

namespace vorbis_dll {
namespace {

constexpr uint32_t kFramesPerWrite = 4096;
// libvorbis keeps up to two long blocks back for its analysis.
constexpr uint32_t kLookaheadFrames = 4096;
constexpr uint32_t kLargestPage = 27 + 255 + 255 * 255;
// No packet comes near four times the PCM it encodes, even at quality 1.0 on white noise.
constexpr uint32_t kPacketToPcmRatio = 4;

bool ValidQuality(float quality)
{
    return std::isfinite(quality) && quality >= -0.1f - 1e-6f && quality <= 1.0f + 1e-6f;
}

void AddText(vorbis_comment *comment, const char *name, const char *text)
{
    const std::string value = CommentText(text);
    if (!value.empty())
        vorbis_comment_add_tag(comment, name, value.c_str());
}

void AddNumber(vorbis_comment *comment, const char *name, uint32_t number)
{
    if (number != 0)
        vorbis_comment_add_tag(comment, name, std::to_string(number).c_str());
}

} // namespace

VB_ERR VorbisEncoder::Open(const VB_CONFIG &config, const VB_TAG *tag,
                           std::unique_ptr<VorbisEncoder> *encoder)
{
    if (config.dwMode != VB_MODE_QUALITY || config.dwStructVersion != 0 ||
        config.dwStructSize != sizeof(VB_CONFIG))
        return VB_ERR_INVALID_FORMAT;
    if (tag && (tag->dwStructSize != sizeof(VB_TAG) || tag->dwStructVersion != 1))
        return VB_ERR_INVALID_FORMAT;
    if (config.dwChannels < 1 || config.dwChannels > 2 || config.dwSamplesPerSec < 8000 ||
        config.dwSamplesPerSec > 192000 || !ValidQuality(config.fQuality))
        return VB_ERR_INVALID_PARAMETERS;
    std::unique_ptr<VorbisEncoder> made(new VorbisEncoder);
    const VB_ERR result = made->Start(config, tag);
    if (result == VB_ERR_SUCCESSFUL)
        *encoder = std::move(made);
    return result;
}

VB_ERR VorbisEncoder::Start(const VB_CONFIG &config, const VB_TAG *tag)
{
    channels_ = config.dwChannels;
    vorbis_info_init(&info_);
    infoReady_ = true;
    const float quality = std::fmin(std::fmax(config.fQuality, -0.1f), 1.0f);
    if (vorbis_encode_init_vbr(&info_, static_cast<long>(channels_),
                               static_cast<long>(config.dwSamplesPerSec), quality) != 0)
        return VB_ERR_INVALID_PARAMETERS;

    vorbis_comment_init(&comment_);
    if (tag) {
        AddText(&comment_, "ARTIST", tag->lpszArtist);
        AddText(&comment_, "ALBUM", tag->lpszAlbum);
        AddText(&comment_, "TITLE", tag->lpszTitle);
        AddText(&comment_, "COMMENT", tag->lpszComment);
        AddNumber(&comment_, "TRACKNUMBER", tag->dwTrackNumber);
        AddNumber(&comment_, "TRACKTOTAL", tag->dwTrackTotal);
        AddText(&comment_, "GENRE", tag->lpszGenre);
        AddText(&comment_, "ENCODED_BY", tag->lpszEncodedBy);
        AddText(&comment_, "ENCODING_TIME", tag->lpszEncodingTime);
    }

    if (vorbis_analysis_init(&dsp_, &info_) != 0)
        return VB_ERR_INVALID_PARAMETERS;
    dspReady_ = true;
    vorbis_block_init(&dsp_, &block_);
    blockReady_ = true;
    // Streams chained into one file need different serial numbers.
    std::random_device random;
    ogg_stream_init(&ogg_, static_cast<int>(random()));
    oggReady_ = true;

    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&dsp_, &comment_, &identification, &comments, &codebooks);
    ogg_stream_packetin(&ogg_, &identification);
    ogg_stream_packetin(&ogg_, &comments);
    ogg_stream_packetin(&ogg_, &codebooks);
    // The audio starts on a page of its own.
    ogg_page page;
    while (ogg_stream_flush(&ogg_, &page) != 0)
        Append(page);

    samplesPerWrite_ = kFramesPerWrite * channels_;
    const uint32_t pcmBytes = (kFramesPerWrite + kLookaheadFrames) * channels_ * 2;
    bufferSize_ = static_cast<uint32_t>(pending_.size()) + 2 * kLargestPage + kPacketToPcmRatio * pcmBytes;
    return VB_ERR_SUCCESSFUL;
}

VorbisEncoder::~VorbisEncoder()
{
    if (oggReady_)
        ogg_stream_clear(&ogg_);
    if (blockReady_)
        vorbis_block_clear(&block_);
    if (dspReady_)
        vorbis_dsp_clear(&dsp_);
    vorbis_comment_clear(&comment_);
    if (infoReady_)
        vorbis_info_clear(&info_);
}

VB_ERR VorbisEncoder::Write(uint32_t nSamples, const int16_t *samples, uint8_t *output, uint32_t *outBytes)
{
    if (ended_)
        return VB_ERR_INVALID_HANDLE;
    if (nSamples > samplesPerWrite_)
        return VB_ERR_BUFFER_TOO_SMALL;
    if (nSamples % channels_ != 0 || (nSamples && !samples) || !output)
        return VB_ERR_INVALID_PARAMETERS;
    const uint32_t frames = nSamples / channels_;
    // Zero frames would tell the encoder the stream has ended.
    if (frames > 0) {
        float **planes = vorbis_analysis_buffer(&dsp_, static_cast<int>(frames));
        for (uint32_t c = 0; c < channels_; ++c) {
            float *plane = planes[c];
            const int16_t *in = samples + c;
            for (uint32_t i = 0; i < frames; ++i, in += channels_)
                plane[i] = static_cast<float>(*in) / 32768.0f;
        }
        vorbis_analysis_wrote(&dsp_, static_cast<int>(frames));
        Drain();
    }
    Deliver(output, outBytes);
    return VB_ERR_SUCCESSFUL;
}

VB_ERR VorbisEncoder::Close(uint8_t *output, uint32_t *outBytes)
{
    if (ended_)
        return VB_ERR_INVALID_HANDLE;
    if (!output)
        return VB_ERR_INVALID_PARAMETERS;
    ended_ = true;
    vorbis_analysis_wrote(&dsp_, 0);
    Drain();
    ogg_page page;
    while (ogg_stream_flush(&ogg_, &page) != 0)
        Append(page);
    return Deliver(output, outBytes) ? VB_ERR_SUCCESSFUL : VB_ERR_BUFFER_TOO_SMALL;
}

void VorbisEncoder::Drain()
{
    while (vorbis_analysis_blockout(&dsp_, &block_) == 1) {
        vorbis_analysis(&block_, nullptr);
        vorbis_bitrate_addblock(&block_);
        ogg_packet packet;
        while (vorbis_bitrate_flushpacket(&dsp_, &packet) == 1) {
            ogg_stream_packetin(&ogg_, &packet);
            ogg_page page;
            while (ogg_stream_pageout(&ogg_, &page) != 0)
                Append(page);
        }
    }
}

void VorbisEncoder::Append(const ogg_page &page)
{
    pending_.insert(pending_.end(), page.header, page.header + page.header_len);
    pending_.insert(pending_.end(), page.body, page.body + page.body_len);
}

bool VorbisEncoder::Deliver(uint8_t *output, uint32_t *outBytes)
{
    const size_t count = std::min<size_t>(pending_.size(), bufferSize_);
    std::memcpy(output, pending_.data(), count);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    *outBytes = static_cast<uint32_t>(count);
    return pending_.empty();
}

} // namespace vorbis_dll
