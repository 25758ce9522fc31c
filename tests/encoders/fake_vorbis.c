/* A stand-in "Vorbis.DLL" with a fixed version record: library 1.5, engine 1.0, 9 June 2003.
 * Built twice: whole, and with FAKE_VORBIS_PARTIAL missing its decoding operations. */
#include "vorbis_dll.h"

#include <string.h>

VB_EXPORT void VB_API vbVersion(PVB_VERSION pVersion)
{
    memset(pVersion, 0, sizeof(*pVersion));
    pVersion->byDLLMajorVersion = 1;
    pVersion->byDLLMinorVersion = 5;
    pVersion->byMajorVersion = 1;
    pVersion->byMinorVersion = 0;
    pVersion->byDay = 9;
    pVersion->byMonth = 6;
    pVersion->wYear = 2003;
}

VB_EXPORT VB_ERR VB_API vbEncOpen(PVB_CONFIG pConfig, PVB_TAG pTag, uint32_t *dwSamples,
                                  uint32_t *dwBufferSize, HVB_STREAM *phStream)
{
    (void)pConfig, (void)pTag, (void)dwSamples, (void)dwBufferSize, (void)phStream;
    return VB_ERR_INVALID_FORMAT;
}

VB_EXPORT VB_ERR VB_API vbEncWrite(HVB_STREAM hStream, uint32_t nSamples, const int16_t *pSamples,
                                   uint8_t *pOutput, uint32_t *pdwOutput)
{
    (void)hStream, (void)nSamples, (void)pSamples, (void)pOutput, (void)pdwOutput;
    return VB_ERR_INVALID_HANDLE;
}

VB_EXPORT VB_ERR VB_API vbEncClose(HVB_STREAM hStream, uint8_t *pOutput, uint32_t *pdwOutput)
{
    (void)hStream, (void)pOutput, (void)pdwOutput;
    return VB_ERR_INVALID_HANDLE;
}

#ifndef FAKE_VORBIS_PARTIAL
VB_EXPORT VB_ERR VB_API vbDecOpen(const char *lpszFileName, PVB_DECINFO pInfo, HVB_STREAM *phStream)
{
    (void)lpszFileName, (void)pInfo, (void)phStream;
    return VB_ERR_FILE;
}

VB_EXPORT VB_ERR VB_API vbDecRead(HVB_STREAM hStream, int16_t *pSamples, uint32_t nSamples, uint32_t *pdwRead)
{
    (void)hStream, (void)pSamples, (void)nSamples, (void)pdwRead;
    return VB_ERR_INVALID_HANDLE;
}

VB_EXPORT VB_ERR VB_API vbDecSeek(HVB_STREAM hStream, uint64_t qwFrame)
{
    (void)hStream, (void)qwFrame;
    return VB_ERR_INVALID_HANDLE;
}

VB_EXPORT VB_ERR VB_API vbDecClose(HVB_STREAM hStream)
{
    (void)hStream;
    return VB_ERR_INVALID_HANDLE;
}
#endif
