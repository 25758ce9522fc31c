// The exported "vb" operations: handle bookkeeping around the encoder and decoder; nothing
// throws out.

#include "vorbis_dll.h"

#include "build_date.h"
#include "handle_table.h"
#include "vorbis_decoder.h"
#include "vorbis_encoder.h"

#include <cstdio>
#include <cstring>
#include <new>

#include <vorbis/codec.h>

namespace {

constexpr uint8_t kLayerMajor = 1;
constexpr uint8_t kLayerMinor = 0;

platform::HandleTable<vorbis_dll::VorbisEncoder> &Encoders()
{
    static platform::HandleTable<vorbis_dll::VorbisEncoder> encoders;
    return encoders;
}

platform::HandleTable<vorbis_dll::VorbisDecoder> &Decoders()
{
    static platform::HandleTable<vorbis_dll::VorbisDecoder> decoders;
    return decoders;
}

} // namespace

extern "C" {

VB_EXPORT VB_ERR VB_API vbEncOpen(PVB_CONFIG pConfig, PVB_TAG pTag, uint32_t *dwSamples,
                                  uint32_t *dwBufferSize, HVB_STREAM *phStream)
{
    if (!pConfig || !dwSamples || !dwBufferSize || !phStream)
        return VB_ERR_INVALID_PARAMETERS;
    try {
        std::unique_ptr<vorbis_dll::VorbisEncoder> encoder;
        const VB_ERR result = vorbis_dll::VorbisEncoder::Open(*pConfig, pTag, &encoder);
        if (result != VB_ERR_SUCCESSFUL)
            return result;
        *dwSamples = encoder->SamplesPerWrite();
        *dwBufferSize = encoder->BufferSize();
        *phStream = Encoders().Add(std::move(encoder));
        return VB_ERR_SUCCESSFUL;
    } catch (const std::bad_alloc &) {
        return VB_ERR_NO_MORE_HANDLES;
    }
}

VB_EXPORT VB_ERR VB_API vbEncWrite(HVB_STREAM hStream, uint32_t nSamples, const int16_t *pSamples,
                                   uint8_t *pOutput, uint32_t *pdwOutput)
{
    vorbis_dll::VorbisEncoder *encoder = Encoders().Find(hStream);
    if (!encoder)
        return VB_ERR_INVALID_HANDLE;
    if (!pdwOutput)
        return VB_ERR_INVALID_PARAMETERS;
    *pdwOutput = 0;
    try {
        return encoder->Write(nSamples, pSamples, pOutput, pdwOutput);
    } catch (const std::bad_alloc &) {
        return VB_ERR_BUFFER_TOO_SMALL;
    }
}

VB_EXPORT VB_ERR VB_API vbEncClose(HVB_STREAM hStream, uint8_t *pOutput, uint32_t *pdwOutput)
{
    vorbis_dll::VorbisEncoder *encoder = Encoders().Find(hStream);
    if (!encoder)
        return VB_ERR_INVALID_HANDLE;
    VB_ERR result = VB_ERR_INVALID_PARAMETERS;
    if (pdwOutput) {
        *pdwOutput = 0;
        try {
            result = encoder->Close(pOutput, pdwOutput);
        } catch (const std::bad_alloc &) {
            result = VB_ERR_BUFFER_TOO_SMALL;
        }
    }
    Encoders().Remove(hStream);
    return result;
}

VB_EXPORT VB_ERR VB_API vbDecOpen(const char *lpszFileName, PVB_DECINFO pInfo, HVB_STREAM *phStream)
{
    if (!phStream)
        return VB_ERR_INVALID_PARAMETERS;
    try {
        std::unique_ptr<vorbis_dll::VorbisDecoder> decoder;
        const VB_ERR result = vorbis_dll::VorbisDecoder::Open(lpszFileName, pInfo, &decoder);
        if (result == VB_ERR_SUCCESSFUL)
            *phStream = Decoders().Add(std::move(decoder));
        return result;
    } catch (const std::bad_alloc &) {
        return VB_ERR_NO_MORE_HANDLES;
    }
}

VB_EXPORT VB_ERR VB_API vbDecRead(HVB_STREAM hStream, int16_t *pSamples, uint32_t nSamples, uint32_t *pdwRead)
{
    vorbis_dll::VorbisDecoder *decoder = Decoders().Find(hStream);
    if (!decoder)
        return VB_ERR_INVALID_HANDLE;
    if (!pdwRead)
        return VB_ERR_INVALID_PARAMETERS;
    return decoder->Read(pSamples, nSamples, pdwRead);
}

VB_EXPORT VB_ERR VB_API vbDecSeek(HVB_STREAM hStream, uint64_t qwFrame)
{
    vorbis_dll::VorbisDecoder *decoder = Decoders().Find(hStream);
    return decoder ? decoder->Seek(qwFrame) : VB_ERR_INVALID_HANDLE;
}

VB_EXPORT VB_ERR VB_API vbDecClose(HVB_STREAM hStream)
{
    return Decoders().Remove(hStream) ? VB_ERR_SUCCESSFUL : VB_ERR_INVALID_HANDLE;
}

VB_EXPORT void VB_API vbVersion(PVB_VERSION pVersion)
{
    if (!pVersion)
        return;
    std::memset(pVersion, 0, sizeof(*pVersion));
    const char *engine = vorbis_version_string();
    // "Xiph.Org libVorbis 1.3.7"
    int major = 0, minor = 0;
    if (const char *numbers = std::strrchr(engine, ' '))
        std::sscanf(numbers, " %d.%d", &major, &minor);
    const platform::BuildDate built = platform::TodaysBuildDate();
    pVersion->byDLLMajorVersion = kLayerMajor;
    pVersion->byDLLMinorVersion = kLayerMinor;
    pVersion->byMajorVersion = static_cast<uint8_t>(major);
    pVersion->byMinorVersion = static_cast<uint8_t>(minor);
    pVersion->byDay = built.day;
    pVersion->byMonth = built.month;
    pVersion->wYear = built.year;
    std::strncpy(pVersion->zEngine, engine, sizeof(pVersion->zEngine) - 1);
}

} // extern "C"
