// The exported "be" operations: handle bookkeeping around LameStream; nothing throws out.

#include "lame_enc.h"

#include "build_date.h"
#include "handle_table.h"
#include "lame_stream.h"

#include <cstring>
#include <new>

namespace {

constexpr uint8_t kLayerMajor = 1;
constexpr uint8_t kLayerMinor = 0;

platform::HandleTable<lame_enc::LameStream> &Streams()
{
    static platform::HandleTable<lame_enc::LameStream> streams;
    return streams;
}

} // namespace

extern "C" {

BE_EXPORT void BE_API beVersion(PBE_VERSION pbeVersion)
{
    if (!pbeVersion)
        return;
    std::memset(pbeVersion, 0, sizeof(*pbeVersion));
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    const platform::BuildDate built = platform::TodaysBuildDate();
    pbeVersion->byDLLMajorVersion = kLayerMajor;
    pbeVersion->byDLLMinorVersion = kLayerMinor;
    pbeVersion->byMajorVersion = static_cast<uint8_t>(lame.major);
    pbeVersion->byMinorVersion = static_cast<uint8_t>(lame.minor);
    pbeVersion->byDay = built.day;
    pbeVersion->byMonth = built.month;
    pbeVersion->wYear = built.year;
    std::strncpy(pbeVersion->zHomepage, get_lame_url(), sizeof(pbeVersion->zHomepage) - 1);
    pbeVersion->byAlphaLevel = static_cast<uint8_t>(lame.alpha);
    pbeVersion->byBetaLevel = static_cast<uint8_t>(lame.beta);
}

BE_EXPORT BE_ERR BE_API beInitStream(PBE_CONFIG pbeConfig, uint32_t *dwSamples, uint32_t *dwBufferSize,
                                     HBE_STREAM *phbeStream)
{
    if (!pbeConfig || !dwSamples || !dwBufferSize || !phbeStream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    try {
        std::unique_ptr<lame_enc::LameStream> stream;
        const BE_ERR result = lame_enc::LameStream::Open(*pbeConfig, &stream);
        if (result != BE_ERR_SUCCESSFUL)
            return result;
        *dwSamples = stream->SamplesPerChunk();
        *dwBufferSize = stream->BufferSize();
        *phbeStream = Streams().Add(std::move(stream));
        return BE_ERR_SUCCESSFUL;
    } catch (const std::bad_alloc &) {
        return BE_ERR_NO_MORE_HANDLES;
    }
}

BE_EXPORT BE_ERR BE_API beEncodeChunk(HBE_STREAM hbeStream, uint32_t nSamples, const int16_t *pSamples,
                                      uint8_t *pOutput, uint32_t *pdwOutput)
{
    lame_enc::LameStream *stream = Streams().Find(hbeStream);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if (!pdwOutput)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return stream->Encode(nSamples, pSamples, pOutput, pdwOutput);
}

BE_EXPORT BE_ERR BE_API beDeinitStream(HBE_STREAM hbeStream, uint8_t *pOutput, uint32_t *pdwOutput)
{
    lame_enc::LameStream *stream = Streams().Find(hbeStream);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if (!pdwOutput)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return stream->Flush(pOutput, pdwOutput);
}

BE_EXPORT BE_ERR BE_API beCloseStream(HBE_STREAM hbeStream)
{
    return Streams().Remove(hbeStream) ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

BE_EXPORT BE_ERR BE_API beWriteInfoTag(HBE_STREAM hbeStream, const char *lpszFileName)
{
    const lame_enc::LameStream *stream = Streams().Find(hbeStream);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    try {
        return stream->WriteInfoTag(lpszFileName);
    } catch (const std::bad_alloc &) {
        return BE_ERR_FILE;
    }
}

} // extern "C"
