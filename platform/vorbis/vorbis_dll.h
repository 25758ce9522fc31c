/*
 * Vorbis: the Ogg Vorbis library with the "vb" interface, over libvorbis, libvorbisenc, libogg and
 * vorbisfile. The program loads it at run time by the name "Vorbis.DLL".
 *
 * Encoding, one stream per file: vbEncOpen, vbEncWrite any number of times, vbEncClose. The
 * output of every call is a run of complete Ogg pages for the caller to append to its file; the
 * first call that produces bytes starts with the three header pages, vbEncClose ends the stream.
 * The caller owns every record and buffer it passes; texts of the tag record are copied by
 * vbEncOpen.
 *
 * Decoding: vbDecOpen on a file name, vbDecRead / vbDecSeek, vbDecClose.
 *
 * Every call is safe from any thread; a single stream is used from one thread at a time. Nothing
 * is printed. This header compiles as C11 and as C++. Define VB_NO_PROTOTYPES to get the types
 * only (for callers that bind the operations by name).
 */
#ifndef QUAVREL_VORBIS_DLL_H
#define QUAVREL_VORBIS_DLL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define VB_API __stdcall
#else
#define VB_API
#endif

#if defined(_WIN32)
#define VB_EXPORT __declspec(dllexport)
#else
#define VB_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define VB_STATIC_ASSERT static_assert
extern "C" {
#else
#define VB_STATIC_ASSERT _Static_assert
#endif

typedef uint32_t VB_ERR;
typedef int32_t HVB_STREAM; /* 0 is never a stream */

#define VB_ERR_SUCCESSFUL 0
#define VB_ERR_INVALID_FORMAT 1     /* unknown record kind, version or size */
#define VB_ERR_INVALID_PARAMETERS 2 /* a setting or argument the library cannot honour */
#define VB_ERR_NO_MORE_HANDLES 3
#define VB_ERR_INVALID_HANDLE 4
#define VB_ERR_BUFFER_TOO_SMALL 5 /* more samples than vbEncOpen allowed */
#define VB_ERR_FILE 6             /* decoding: file missing, unreadable or not Ogg Vorbis */

#define VB_MODE_QUALITY 0 /* variable bit rate steered by fQuality */

#pragma pack(push, 1)

/* The format of the PCM given to the encoder (16-bit, channels interleaved) and of the stream:
 * 260 bytes, zero-filled before the fields are set. */
typedef struct VB_CONFIG {
    uint32_t dwMode;          /* VB_MODE_QUALITY */
    uint32_t dwStructVersion; /* 0 */
    uint32_t dwStructSize;    /* sizeof(VB_CONFIG) */
    uint32_t dwChannels;      /* 1 or 2 */
    uint32_t dwSamplesPerSec; /* Hz */
    uint8_t btReserved1[16];
    float fQuality; /* -0.1 (smallest) .. 1.0 (best) */
    uint8_t btReserved2[220];
} VB_CONFIG, *PVB_CONFIG;

/* The stream's comments. Each text is zero-terminated UTF-8 (a text that is not valid UTF-8 is
 * read as Windows-1252); a null or empty text, a zero track number or total adds no comment. */
typedef struct VB_TAG {
    uint32_t dwStructSize;    /* sizeof(VB_TAG): 56 where pointers are 32-bit */
    uint32_t dwStructVersion; /* 1 */
    uint32_t dwReserved[3];
    const char *lpszArtist;       /* ARTIST */
    const char *lpszAlbum;        /* ALBUM */
    const char *lpszTitle;        /* TITLE */
    const char *lpszComment;      /* COMMENT */
    uint32_t dwTrackNumber;       /* TRACKNUMBER */
    uint32_t dwTrackTotal;        /* TRACKTOTAL */
    const char *lpszGenre;        /* GENRE */
    const char *lpszEncodedBy;    /* ENCODED_BY */
    const char *lpszEncodingTime; /* ENCODING_TIME */
} VB_TAG, *PVB_TAG;

/* The library's version: 265 bytes. */
typedef struct VB_VERSION {
    uint8_t byDLLMajorVersion; /* this library */
    uint8_t byDLLMinorVersion;
    uint8_t byMajorVersion; /* libvorbis */
    uint8_t byMinorVersion;
    uint8_t byDay; /* the day this library was built */
    uint8_t byMonth;
    uint16_t wYear;
    char zEngine[129]; /* libvorbis's own version text, zero-terminated */
    uint8_t btReserved[128];
} VB_VERSION, *PVB_VERSION;

/* What vbDecOpen tells of a stream. */
typedef struct VB_DECINFO {
    uint32_t dwStructSize; /* sizeof(VB_DECINFO), set by the caller */
    uint32_t dwChannels;
    uint32_t dwSamplesPerSec;
    uint32_t dwNominalBitrate; /* bit/s, 0 when the stream does not say */
    uint64_t qwLength;         /* frames (samples per channel) of the whole file */
} VB_DECINFO, *PVB_DECINFO;

#pragma pack(pop)

VB_STATIC_ASSERT(sizeof(VB_CONFIG) == 260, "VB_CONFIG is 260 bytes");
VB_STATIC_ASSERT(offsetof(VB_CONFIG, fQuality) == 36, "VB_CONFIG layout");
VB_STATIC_ASSERT(offsetof(VB_TAG, lpszArtist) == 20, "VB_TAG layout");
VB_STATIC_ASSERT(offsetof(VB_TAG, dwTrackNumber) == 20 + 4 * sizeof(void *), "VB_TAG layout");
VB_STATIC_ASSERT(sizeof(VB_TAG) == 28 + 7 * sizeof(void *), "VB_TAG: 56 bytes with 32-bit pointers");
VB_STATIC_ASSERT(sizeof(VB_VERSION) == 265, "VB_VERSION is 265 bytes");
VB_STATIC_ASSERT(sizeof(VB_DECINFO) == 24, "VB_DECINFO layout");

typedef VB_ERR(VB_API *VBENCOPEN)(PVB_CONFIG pConfig, PVB_TAG pTag, uint32_t *dwSamples,
                                  uint32_t *dwBufferSize, HVB_STREAM *phStream);
typedef VB_ERR(VB_API *VBENCWRITE)(HVB_STREAM hStream, uint32_t nSamples, const int16_t *pSamples,
                                   uint8_t *pOutput, uint32_t *pdwOutput);
typedef VB_ERR(VB_API *VBENCCLOSE)(HVB_STREAM hStream, uint8_t *pOutput, uint32_t *pdwOutput);
typedef VB_ERR(VB_API *VBDECOPEN)(const char *lpszFileName, PVB_DECINFO pInfo, HVB_STREAM *phStream);
typedef VB_ERR(VB_API *VBDECREAD)(HVB_STREAM hStream, int16_t *pSamples, uint32_t nSamples,
                                  uint32_t *pdwRead);
typedef VB_ERR(VB_API *VBDECSEEK)(HVB_STREAM hStream, uint64_t qwFrame);
typedef VB_ERR(VB_API *VBDECCLOSE)(HVB_STREAM hStream);
typedef void(VB_API *VBVERSION)(PVB_VERSION pVersion);

#ifndef VB_NO_PROTOTYPES

/* Opens an encoding stream. pTag may be null (no comments). On success *dwSamples is the most
 * 16-bit samples (channels interleaved) that vbEncWrite takes per call, *dwBufferSize the output
 * buffer size that is always enough for one vbEncWrite or vbEncClose, *phStream the stream. */
VB_EXPORT VB_ERR VB_API vbEncOpen(PVB_CONFIG pConfig, PVB_TAG pTag, uint32_t *dwSamples,
                                  uint32_t *dwBufferSize, HVB_STREAM *phStream);

/* Encodes nSamples samples (at most *dwSamples, whole frames of all channels; 0 is allowed) and
 * puts the pages completed so far into pOutput (*dwBufferSize bytes); *pdwOutput receives the
 * byte count, often 0. */
VB_EXPORT VB_ERR VB_API vbEncWrite(HVB_STREAM hStream, uint32_t nSamples, const int16_t *pSamples,
                                   uint8_t *pOutput, uint32_t *pdwOutput);

/* Ends the stream: its last pages go to pOutput (*dwBufferSize bytes). The handle is released,
 * whatever the result. */
VB_EXPORT VB_ERR VB_API vbEncClose(HVB_STREAM hStream, uint8_t *pOutput, uint32_t *pdwOutput);

/* Opens an Ogg Vorbis file for decoding; pInfo (may be null) receives its format. */
VB_EXPORT VB_ERR VB_API vbDecOpen(const char *lpszFileName, PVB_DECINFO pInfo, HVB_STREAM *phStream);

/* Decodes up to nSamples 16-bit samples (channels interleaved, whole frames) into pSamples;
 * *pdwRead receives the count, 0 at the end of the file. */
VB_EXPORT VB_ERR VB_API vbDecRead(HVB_STREAM hStream, int16_t *pSamples, uint32_t nSamples,
                                  uint32_t *pdwRead);

/* Moves to a frame (sample per channel) of the file; the next read starts there. */
VB_EXPORT VB_ERR VB_API vbDecSeek(HVB_STREAM hStream, uint64_t qwFrame);

/* Closes the file and releases the handle. */
VB_EXPORT VB_ERR VB_API vbDecClose(HVB_STREAM hStream);

/* Fills *pVersion. */
VB_EXPORT void VB_API vbVersion(PVB_VERSION pVersion);

#endif

#ifdef __cplusplus
}
#endif

#endif
