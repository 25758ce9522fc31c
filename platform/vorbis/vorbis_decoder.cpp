#include "vorbis_decoder.h"

#include <bit>

namespace vorbis_dll {

VB_ERR VorbisDecoder::Open(const char *fileName, VB_DECINFO *info, std::unique_ptr<VorbisDecoder> *decoder)
{
    if (!fileName)
        return VB_ERR_INVALID_PARAMETERS;
    if (info && info->dwStructSize != sizeof(VB_DECINFO))
        return VB_ERR_INVALID_FORMAT;
    std::unique_ptr<VorbisDecoder> made(new VorbisDecoder);
    // On failure vorbisfile closes the file and clears its state: the destructor's ov_clear is
    // then harmless.
    if (ov_fopen(fileName, &made->file_) != 0)
        return VB_ERR_FILE;
    const vorbis_info *format = ov_info(&made->file_, -1);
    if (!format || format->channels < 1)
        return VB_ERR_FILE;
    made->channels_ = static_cast<uint32_t>(format->channels);
    if (info) {
        info->dwChannels = made->channels_;
        info->dwSamplesPerSec = static_cast<uint32_t>(format->rate);
        info->dwNominalBitrate =
            format->bitrate_nominal > 0 ? static_cast<uint32_t>(format->bitrate_nominal) : 0;
        const ogg_int64_t length = ov_pcm_total(&made->file_, -1);
        info->qwLength = length > 0 ? static_cast<uint64_t>(length) : 0;
    }
    *decoder = std::move(made);
    return VB_ERR_SUCCESSFUL;
}

VB_ERR VorbisDecoder::Read(int16_t *samples, uint32_t nSamples, uint32_t *read)
{
    *read = 0;
    if (!samples)
        return VB_ERR_INVALID_PARAMETERS;
    const uint32_t wanted = nSamples - nSamples % channels_;
    constexpr int bigEndian = std::endian::native == std::endian::big ? 1 : 0;
    while (*read < wanted) {
        int link = 0;
        const long bytes = ov_read(&file_, reinterpret_cast<char *>(samples + *read),
                                   static_cast<int>((wanted - *read) * 2), bigEndian, 2, 1, &link);
        if (bytes == 0)
            break;
        if (bytes == OV_HOLE)
            continue; // a gap in the data: decoding goes on after it
        if (bytes < 0)
            return VB_ERR_FILE;
        // A chained file whose next stream has another channel count cannot go on as one stream.
        const vorbis_info *format = ov_info(&file_, link);
        if (!format || static_cast<uint32_t>(format->channels) != channels_)
            return VB_ERR_FILE;
        *read += static_cast<uint32_t>(bytes / 2);
    }
    return VB_ERR_SUCCESSFUL;
}

VB_ERR VorbisDecoder::Seek(uint64_t frame)
{
    if (!ov_seekable(&file_))
        return VB_ERR_FILE;
    const ogg_int64_t total = ov_pcm_total(&file_, -1);
    if (total < 0 || frame > static_cast<uint64_t>(total))
        return VB_ERR_INVALID_PARAMETERS;
    return ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) == 0 ? VB_ERR_SUCCESSFUL : VB_ERR_FILE;
}

} // namespace vorbis_dll
