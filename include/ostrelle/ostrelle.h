/*
 * Ostrelle: CD-ROM drives and tables of contents over ASPI, the CDDB disc ID, CDDB lookups over
 * HTTP, and CD audio playback.
 *
 * Ownership: the caller owns every record it passes. Texts and arrays that the library writes into
 * TCdDriveList, TCDDBQuery, TCddbList and TDiscInfo are allocated by the library; those of the three
 * CDDB records are released only by FreeCddbQuery, FreeCddbList and FreeDiscInfo. The caller passes
 * those three records zero-filled.
 *
 * Threading: every export runs on the caller's thread. The http_ exports block, pumping the host's
 * messages (see platform/winmsg) while they wait, and must be called on the thread that loaded the
 * library. No export throws.
 *
 * This header compiles as C11 and as C++.
 */
#ifndef OSTRELLE_OSTRELLE_H
#define OSTRELLE_OSTRELLE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define OSTRELLE_API __stdcall
#else
#define OSTRELLE_API
#endif

#if defined(_WIN32)
#ifdef OSTRELLE_BUILDING
#define OSTRELLE_EXPORT __declspec(dllexport)
#else
#define OSTRELLE_EXPORT __declspec(dllimport)
#endif
#else
#define OSTRELLE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A 16-bit boolean: -1 for true, 0 for false. */
typedef int16_t OBOOL16;
#define OSTRELLE_TRUE ((OBOOL16)-1)
#define OSTRELLE_FALSE ((OBOOL16)0)

/* A window handle of the host (see platform/winmsg); 0 means none. */
typedef uint32_t OHWND;

/* Sent synchronously to the progress window during an http_ call.
 * wParam: request kind (1 query, 2 read, 3 sites); lParam: phase (1 request being sent,
 * 2 first reply data arriving, 3 reply complete). */
#define WM_CDDB_PROGRESS 1025

#define CDDB_REQUEST_QUERY 1
#define CDDB_REQUEST_READ 2
#define CDDB_REQUEST_SITES 3

#define CDDB_PHASE_SENDING 1
#define CDDB_PHASE_DOC_BEGIN 2
#define CDDB_PHASE_DOC_END 3

/* Result codes of http_query, http_read and http_sites. */
#define CDDB_FAILED 0
#define CDDB_EXACT 1
#define CDDB_EXACT_MULTIPLE 2
#define CDDB_INEXACT 3
#define CDDB_NO_MATCH 4
#define CDDB_OK 10
#define CDDB_ENTRY_NOT_FOUND 11
#define CDDB_NO_SITES 12
#define CDDB_CORRUPT 0x1000
#define CDDB_SERVER_ERROR 0x2000
#define CDDB_NO_HANDSHAKE 0x3000

#define OSTRELLE_MAX_TRACKS 100
#define OSTRELLE_MAX_DRIVES 26

/* One absolute disc address (75 frames a second, lead-in included). */
typedef struct TTocEntry {
    uint8_t Minute;
    uint8_t Second;
    uint8_t Frame;
    OBOOL16 Audio; /* true for an audio track; always false in LeadOut */
} TTocEntry;

/* A disc's table of contents. Tracks[0] is track 1; entries from Count on are zero. */
typedef struct TCdToc {
    uint8_t Count; /* the last track number of the disc */
    TTocEntry LeadOut;
    TTocEntry Tracks[OSTRELLE_MAX_TRACKS];
} TCdToc;

/* One CD-ROM device. Drive operations read only the first three bytes. The four texts are
 * allocated by the library and never released (a new enumeration gives new texts). */
typedef struct TCdDrive {
    uint8_t HaId;
    uint8_t Target;
    uint8_t Lun;
    char *Vendor;         /* at most 8 characters */
    char *Product;        /* at most 16 characters */
    char *Revision;       /* at most 4 characters */
    char *VendorSpecific; /* at most 20 characters */
} TCdDrive;

typedef struct TCdDriveList {
    uint8_t Count;
    TCdDrive Drives[OSTRELLE_MAX_DRIVES];
} TCdDriveList;

/* Where and as whom to ask; owned and filled by the caller. */
typedef struct TCddbServer {
    char *Server;   /* host, optionally ":port" */
    char *CgiPath;  /* path of the CDDB script, beginning with "/" */
    char *UserName; /* user name of the CDDB hello */
    char *HostName; /* host name of the CDDB hello */
} TCddbServer;

typedef struct TCddbMatch {
    char *Category;
    char *DiscId;
    char *Artist;
    char *Title;
} TCddbMatch;

/* Filled by http_query; released by FreeCddbQuery. */
typedef struct TCDDBQuery {
    int32_t Count;
    TCddbMatch *Matches;
} TCDDBQuery;

/* Filled by http_sites; released by FreeCddbList. */
typedef struct TCddbList {
    int32_t Count;
    char **Items;
} TCddbList;

/* Filled by http_read; released by FreeDiscInfo. */
typedef struct TDiscInfo {
    char *Artist;
    char *Title;
    int32_t Count;
    char **TrackTitles;  /* Count titles, index 0 = track 1 */
    char *ExtData;       /* null when none was read */
    char **TrackExtData; /* Count entries; null where none was read */
} TDiscInfo;

/* Filled by GetPosition. */
typedef struct TCdPosition {
    uint8_t Track;
    uint8_t AbsMinute;
    uint8_t AbsSecond;
    uint8_t AbsFrame;
    uint8_t RelMinute;
    uint8_t RelSecond;
    uint8_t RelFrame;
} TCdPosition;

/* Number of ASPI host adapters (0-255), or -1 when ASPI is unusable. */
OSTRELLE_EXPORT int32_t OSTRELLE_API AspiInstalled(void);

/* Fills List with the CD-ROM devices found (at most 26). True when every device found could be
 * described; also true with Count 0 when ASPI is missing. The drive texts are library-owned. */
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API GetCdRomDrives(TCdDriveList *List);

/* Reads the disc's table of contents into Toc. Returns TRUE ON FAILURE (e.g. no disc). */
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API ReadCdTOC(const TCdDrive *Drive, TCdToc *Toc);

/* The CDDB disc ID of Toc. Reads Toc only. */
OSTRELLE_EXPORT uint32_t OSTRELLE_API CalcDiscID(const TCdToc *Toc);

/* CDDB requests. The result record must be zero-filled; whatever the result, release it with the
 * matching Free function. Window receives WM_CDDB_PROGRESS unless it is 0. */
OSTRELLE_EXPORT int32_t OSTRELLE_API http_query(OHWND Window, const TCddbServer *Server, const TCdToc *Toc,
                                                TCDDBQuery *Query);
OSTRELLE_EXPORT int32_t OSTRELLE_API http_read(OHWND Window, const TCddbServer *Server,
                                               const TCddbMatch *Match, TDiscInfo *Info);
OSTRELLE_EXPORT int32_t OSTRELLE_API http_sites(OHWND Window, const TCddbServer *Server, TCddbList *List);

/* Ends the http_ request under way; meant for a window procedure run during the wait. */
OSTRELLE_EXPORT void OSTRELLE_API http_Abort(void);

/* Additions to the sixteen exports above. */

/* Every wait of an http_ request fails when no progress comes for 30 seconds: the name lookup,
 * the connection and every byte sent or received alike; and a request fails when it has not ended
 * 60 seconds after it began, whatever progress it makes. A reply is used only when it is whole and
 * well formed: its body as long as its Content-Length, every line ended, a "." line ending the
 * replies that carry data, no NUL byte; query matches with a category, an eight-digit hexadecimal
 * disc ID and a text; TTITLEn and EXTTn numbered from 0 by one within the disc's tracks (as many
 * as the entry's "# Track frame offsets" comment lists, else the last two digits of the match's
 * disc ID). A cut reply gives CDDB_FAILED; a malformed query or entry
 * gives CDDB_CORRUPT (a malformed sites reply CDDB_FAILED); the record is then left untouched. */

/* Why the last http_ call did not give its success code (CDDB_EXACT, CDDB_EXACT_MULTIPLE,
 * CDDB_INEXACT, CDDB_OK), in French: the transport's failure ("nom d'hôte inconnu", "connexion
 * refusée", "délai dépassé", "délai total dépassé", "requête abandonnée"...), the HTTP status
 * ("statut HTTP 404 Not Found"), a cut or malformed reply ("réponse incomplète (12 octets sur 40
 * annoncés)", "réponse mal formée : TTITLE3 après TTITLE0"), or the server's own status line ("le
 * serveur a répondu « 500 Unknown application »").
 * Empty after a success and before the first call. The text is in the encoding of the records' texts
 * (see http_SetProtocolLevel). Owned by the library, valid until the next http_ call. */
OSTRELLE_EXPORT const char *OSTRELLE_API http_LastError(void);

/* Sets the CDDB protocol level the next http_ calls send ("proto="), 4 until changed; levels 1 to 6
 * are accepted, any other value changes nothing, and so does a call while a request runs. Returns
 * the level in use. The level decides the encoding of every text the library writes into the
 * records and of http_LastError: Windows-1252 below 6, UTF-8 at 6, as servers send them. A reply
 * whose Content-Type names a charset is converted to that encoding; characters Windows-1252 cannot
 * write become "?". */
OSTRELLE_EXPORT int32_t OSTRELLE_API http_SetProtocolLevel(int32_t Level);

/* The DYEAR and DGENRE values of the entry the last http_read returned CDDB_OK for (servers send
 * them from protocol level 5 on); empty texts when the entry had none or when the last http_ call
 * was not such a read. Either pointer may be null. The texts are library-owned, in the records'
 * encoding, and valid until the next http_ call. */
OSTRELLE_EXPORT void OSTRELLE_API http_LastEntryYearGenre(const char **Year, const char **Genre);

/* Release what the matching export allocated and leave the record empty. Zero-filled records are
 * accepted. A record must not be released twice without being filled again. */
OSTRELLE_EXPORT void OSTRELLE_API FreeCddbList(TCddbList *List);
OSTRELLE_EXPORT void OSTRELLE_API FreeDiscInfo(TDiscInfo *Info);
OSTRELLE_EXPORT void OSTRELLE_API FreeCddbQuery(TCDDBQuery *Query);

/* CD audio player. True on success. */
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API PlayTrack(const TCdDrive *Drive, const TCdToc *Toc, int32_t Track);
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Stop(const TCdDrive *Drive);
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Pause(const TCdDrive *Drive);
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API Resume(const TCdDrive *Drive);
OSTRELLE_EXPORT OBOOL16 OSTRELLE_API GetPosition(const TCdDrive *Drive, TCdPosition *Position);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* Layouts under natural alignment. */
#if defined(__cplusplus)
#define OSTRELLE_STATIC_ASSERT static_assert
#else
#define OSTRELLE_STATIC_ASSERT _Static_assert
#endif
OSTRELLE_STATIC_ASSERT(sizeof(TTocEntry) == 6, "TTocEntry layout");
OSTRELLE_STATIC_ASSERT(offsetof(TTocEntry, Audio) == 4, "TTocEntry.Audio offset");
OSTRELLE_STATIC_ASSERT(offsetof(TCdToc, LeadOut) == 2, "TCdToc.LeadOut offset");
OSTRELLE_STATIC_ASSERT(offsetof(TCdToc, Tracks) == 8, "TCdToc.Tracks offset");
OSTRELLE_STATIC_ASSERT(sizeof(TCdToc) == 608, "TCdToc layout");
OSTRELLE_STATIC_ASSERT(offsetof(TCdDrive, Vendor) == sizeof(void *), "TCdDrive.Vendor offset");
OSTRELLE_STATIC_ASSERT(sizeof(TCdDrive) == 5 * sizeof(void *), "TCdDrive layout");
OSTRELLE_STATIC_ASSERT(offsetof(TCdDriveList, Drives) == sizeof(void *), "TCdDriveList.Drives offset");
OSTRELLE_STATIC_ASSERT(sizeof(TCdDriveList) == sizeof(void *) + 26 * sizeof(TCdDrive), "TCdDriveList layout");
OSTRELLE_STATIC_ASSERT(sizeof(TCddbServer) == 4 * sizeof(void *), "TCddbServer layout");
OSTRELLE_STATIC_ASSERT(sizeof(TCddbMatch) == 4 * sizeof(void *), "TCddbMatch layout");
OSTRELLE_STATIC_ASSERT(offsetof(TCDDBQuery, Matches) == sizeof(void *), "TCDDBQuery.Matches offset");
OSTRELLE_STATIC_ASSERT(offsetof(TCddbList, Items) == sizeof(void *), "TCddbList.Items offset");
OSTRELLE_STATIC_ASSERT(offsetof(TDiscInfo, Count) == 2 * sizeof(void *), "TDiscInfo.Count offset");
OSTRELLE_STATIC_ASSERT(offsetof(TDiscInfo, TrackTitles) == 3 * sizeof(void *),
                       "TDiscInfo.TrackTitles offset");
OSTRELLE_STATIC_ASSERT(sizeof(TDiscInfo) == 6 * sizeof(void *), "TDiscInfo layout");
OSTRELLE_STATIC_ASSERT(sizeof(TCdPosition) == 7, "TCdPosition layout");
#undef OSTRELLE_STATIC_ASSERT

#endif /* OSTRELLE_OSTRELLE_H */
