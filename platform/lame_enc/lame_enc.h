/*
 * LAME_ENC: the MP3 encoder library with the "be" interface, over libmp3lame.
 *
 * One stream per track: beInitStream, beEncodeChunk any number of times (the last chunk may be
 * shorter), beDeinitStream for the encoder's last bytes, then beCloseStream. The caller owns every
 * buffer it passes and writes the produced bytes itself.
 *
 * With bWriteVBRHeader set, the first frame of the stream is a placeholder for the Xing/Info
 * frame (frame count, byte count, seek table, encoder delay and padding). Only the finished
 * stream knows its contents, so after beDeinitStream the caller writes every produced byte to
 * the file, flushes it, then calls beWriteInfoTag with the file name: the library overwrites the
 * placeholder in place. beCloseStream follows as usual.
 *
 * Every call is safe from any thread; a single stream is used from one thread at a time.
 * Nothing is printed. This header compiles as C11 and as C++.
 */
#ifndef QUAVREL_LAME_ENC_H
#define QUAVREL_LAME_ENC_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define BE_API __stdcall
#else
#define BE_API
#endif

#if defined(_WIN32)
#define BE_EXPORT __declspec(dllexport)
#else
#define BE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define BE_STATIC_ASSERT static_assert
extern "C" {
#else
#define BE_STATIC_ASSERT _Static_assert
#endif

typedef uint32_t BE_ERR;
typedef int32_t HBE_STREAM; /* 0 is never a stream */

#define BE_ERR_SUCCESSFUL 0
#define BE_ERR_INVALID_FORMAT 1            /* unknown configuration kind, version or size */
#define BE_ERR_INVALID_FORMAT_PARAMETERS 2 /* a setting the encoder cannot honour */
#define BE_ERR_NO_MORE_HANDLES 3
#define BE_ERR_INVALID_HANDLE 4
#define BE_ERR_BUFFER_TOO_SMALL 5 /* more samples than beInitStream allowed, or output too big */
#define BE_ERR_FILE 6             /* beWriteInfoTag: file missing, unwritable or not this stream */

#define BE_CONFIG_LAME 256
#define BE_CONFIG_VERSION 1

#define BE_MP3_MODE_STEREO 0
#define BE_MP3_MODE_JSTEREO 1
#define BE_MP3_MODE_DUALCHANNEL 2
#define BE_MP3_MODE_MONO 3

#define BE_QUALITY_NORMAL 0
#define BE_QUALITY_LOW 1
#define BE_QUALITY_HIGH 2
#define BE_QUALITY_VOICE 3

#pragma pack(push, 1)

/* The encoder configuration: 331 bytes, every field 32-bit little-endian. Booleans are non-zero
 * for true. */
typedef struct BE_CONFIG {
    uint32_t dwConfig;        /* BE_CONFIG_LAME */
    uint32_t dwStructVersion; /* BE_CONFIG_VERSION */
    uint32_t dwStructSize;    /* sizeof(BE_CONFIG) */
    uint32_t dwSampleRate;    /* rate of the PCM given, Hz */
    uint32_t dwReSampleRate;  /* rate of the MP3, Hz; 0 keeps the PCM's rate */
    int32_t nMode;            /* BE_MP3_MODE_*; MONO takes one channel, the others two */
    uint32_t dwBitrate;       /* kbit/s; the minimum when VBR is on */
    uint32_t dwMaxBitrate;    /* kbit/s, VBR only; below dwBitrate it is raised to it */
    int32_t nPreset;          /* BE_QUALITY_* */
    uint32_t dwMpegVersion;   /* informative: the MP3's rate decides the MPEG version */
    uint32_t dwPsyModel;      /* not used */
    uint32_t dwEmphasis;      /* 0 none, 1 50/15 ms, 3 CCITT J.17 */
    int32_t bPrivate;
    int32_t bCRC;
    int32_t bCopyright;
    int32_t bOriginal;
    int32_t bWriteVBRHeader; /* Xing/Info frame first, see beWriteInfoTag */
    int32_t bEnableVBR;
    int32_t nVBRQuality;     /* 0 (best) .. 9 */
    uint8_t btReserved[255]; /* zero */
} BE_CONFIG, *PBE_CONFIG;

/* The library's version: 265 bytes. */
typedef struct BE_VERSION {
    uint8_t byDLLMajorVersion; /* this library */
    uint8_t byDLLMinorVersion;
    uint8_t byMajorVersion; /* libmp3lame */
    uint8_t byMinorVersion;
    uint8_t byDay; /* the day this library was built */
    uint8_t byMonth;
    uint16_t wYear;
    char zHomepage[129]; /* libmp3lame's home page, zero-terminated */
    uint8_t byAlphaLevel;
    uint8_t byBetaLevel;
    uint8_t btReserved[126];
} BE_VERSION, *PBE_VERSION;

#pragma pack(pop)

BE_STATIC_ASSERT(sizeof(BE_CONFIG) == 331, "BE_CONFIG is 331 bytes");
BE_STATIC_ASSERT(offsetof(BE_CONFIG, nVBRQuality) == 72, "BE_CONFIG layout");
BE_STATIC_ASSERT(offsetof(BE_CONFIG, btReserved) == 76, "BE_CONFIG layout");
BE_STATIC_ASSERT(sizeof(BE_VERSION) == 265, "BE_VERSION is 265 bytes");
BE_STATIC_ASSERT(offsetof(BE_VERSION, zHomepage) == 8, "BE_VERSION layout");

/* Fills *pbeVersion. */
BE_EXPORT void BE_API beVersion(PBE_VERSION pbeVersion);

/* Opens a stream. On success *dwSamples is the number of 16-bit samples (channels interleaved)
 * that beEncodeChunk takes per call, *dwBufferSize the output buffer size that is always enough
 * for one beEncodeChunk or beDeinitStream, and *phbeStream the stream. */
BE_EXPORT BE_ERR BE_API beInitStream(PBE_CONFIG pbeConfig, uint32_t *dwSamples, uint32_t *dwBufferSize,
                                     HBE_STREAM *phbeStream);

/* Encodes nSamples samples (at most *dwSamples; a whole number of frames of all channels) into
 * pOutput, which holds *dwBufferSize bytes; *pdwOutput receives the byte count. */
BE_EXPORT BE_ERR BE_API beEncodeChunk(HBE_STREAM hbeStream, uint32_t nSamples, const int16_t *pSamples,
                                      uint8_t *pOutput, uint32_t *pdwOutput);

/* Flushes the encoder: its last bytes go to pOutput (*dwBufferSize bytes). The stream takes no
 * more samples afterwards. */
BE_EXPORT BE_ERR BE_API beDeinitStream(HBE_STREAM hbeStream, uint8_t *pOutput, uint32_t *pdwOutput);

/* Releases the stream; the handle is invalid afterwards. */
BE_EXPORT BE_ERR BE_API beCloseStream(HBE_STREAM hbeStream);

/* After beDeinitStream, for a stream opened with bWriteVBRHeader: overwrites the placeholder
 * frame at the start of lpszFileName with the finished Xing/Info frame. The file must hold the
 * stream's bytes from its first byte, all of them written out. Anything else (no header asked,
 * stream not flushed, file missing or not starting with this stream's placeholder) is refused
 * and the file is left untouched. */
BE_EXPORT BE_ERR BE_API beWriteInfoTag(HBE_STREAM hbeStream, const char *lpszFileName);

#ifdef __cplusplus
}
#endif

#endif
