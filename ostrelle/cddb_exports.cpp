// http_query, http_read, http_sites and http_Abort: one CDDB command per HTTP GET through the
// library's single client; the reply's code decides the result and what is parsed. Every call
// leaves in the transport why it did not succeed (http_LastError).

#include "cddb_events.h"
#include "cddb_failure_text.h"
#include "cddb_records.h"
#include "cddb_reply_parsers.h"
#include "cddb_transport.h"
#include "disc_id.h"
#include "http_cli.h"
#include "reply_charset.h"
#include "response_buffer.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include <ostrelle/ostrelle.h>

namespace ostrelle {
namespace {

constexpr const char *ClientName = "Ostrelle";
constexpr const char *ClientVersion = "1.4Beta4";

std::string TextOf(const char *text)
{
    return text ? std::string(text) : std::string();
}

std::string Hello(const TCddbServer &server)
{
    return "&hello=" + TextOf(server.UserName) + "+" + TextOf(server.HostName) + "+" + ClientName + "+" +
           ClientVersion + "&proto=" + std::to_string(TheCddbTransport().ProtocolLevel);
}

TTextEncoding RecordEncoding()
{
    return EncodingOfLevel(TheCddbTransport().ProtocolLevel);
}

// A reply code that is not the call's success: the server's status line tells why.
void ServerSaid(const std::string &text)
{
    TheCddbTransport().LastError = ServerReplyText(text, RecordEncoding());
}

std::string CommandUrl(const TCddbServer &server, const std::string &command)
{
    return "http://" + TextOf(server.Server) + TextOf(server.CgiPath) + "?cmd=" + command + Hello(server);
}

void Say(const std::string &utf8Text)
{
    TheCddbTransport().LastError = FromUtf8(utf8Text, RecordEncoding());
}

// Runs one GET and returns the reply as text in the records' encoding, or nothing when the request
// failed or the reply is not whole and well formed; malformed is then the call's result for a
// malformed reply (an incomplete one is CDDB_FAILED). The buffer is left empty for the next
// request, except when the client was busy: then it belongs to the request under way, as do
// TEvents' window and kind.
std::optional<std::string> Fetch(OHWND window, int32_t kind, std::string url, int32_t malformed,
                                 int32_t &failure)
{
    failure = CDDB_FAILED;
    CddbTransport &transport = TheCddbTransport();
    if (!transport.Client || transport.Client->Busy()) {
        Say("une autre requête est en cours");
        return std::nullopt;
    }
    transport.Events->Window = window;
    transport.Events->Request = kind;
    transport.Client->SetURL(std::move(url));
    transport.LastYear.clear();
    transport.LastGenre.clear();
    try {
        transport.Client->Get();
        transport.LastError.clear();
    } catch (...) {
        transport.Buffer->Clear();
        transport.LastError = TransportFailureText(*transport.Client, RecordEncoding());
        return std::nullopt;
    }
    // Checked on the bytes as they came: a cut or damaged reply must not give a cut title.
    const ReplyFault fault = CheckReplyShape(transport.Buffer->Bytes());
    if (fault) {
        transport.Buffer->Clear();
        Say(fault.Why);
        if (fault.Kind == ReplyFault::TKind::Malformed)
            failure = malformed;
        return std::nullopt;
    }
    std::string text = ToRecordText(transport.Buffer->Text(), transport.Client->Charset(), RecordEncoding());
    transport.Buffer->Clear();
    return text;
}

int32_t QueryResult(const std::string &text, TCDDBQuery &query)
{
    const std::string_view code = ReplyCode(text);
    if (const std::string problem = QueryReplyProblem(text); !problem.empty()) {
        Say(problem);
        return CDDB_CORRUPT;
    }
    if (code == "211") {
        FillQuery(ParseMatchList(text), query);
        return CDDB_INEXACT;
    }
    if (code == "200") {
        FillQuery({ParseExactMatch(text)}, query);
        return CDDB_EXACT;
    }
    if (code == "210") {
        FillQuery(ParseMatchList(text), query);
        return CDDB_EXACT_MULTIPLE;
    }
    ServerSaid(text);
    if (code == "409")
        return CDDB_NO_HANDSHAKE;
    if (code == "403")
        return CDDB_CORRUPT;
    if (code == "202")
        return CDDB_NO_MATCH;
    return CDDB_FAILED;
}

int32_t ReadResult(const std::string &text, const TCddbMatch &match, TDiscInfo &info)
{
    const std::string_view code = ReplyCode(text);
    if (code == "210") {
        // The entry tells its track count in its comment; without one, the match's disc ID does.
        const CddbEntryText entry =
            ParseEntry(text, TrackCountOfDiscId(TextOf(match.DiscId)).value_or(MaxTracks));
        if (!entry.Malformed.empty()) {
            Say(entry.Malformed);
            return CDDB_CORRUPT;
        }
        FillDiscInfo(entry, match, info);
        TheCddbTransport().LastYear = entry.Year;
        TheCddbTransport().LastGenre = entry.Genre;
        return CDDB_OK;
    }
    ServerSaid(text);
    if (code == "409")
        return CDDB_NO_HANDSHAKE;
    if (code == "403")
        return CDDB_CORRUPT;
    if (code == "402")
        return CDDB_SERVER_ERROR;
    if (code == "401")
        return CDDB_ENTRY_NOT_FOUND;
    return CDDB_FAILED;
}

int32_t SitesResult(const std::string &text, TCddbList &list)
{
    const std::string_view code = ReplyCode(text);
    if (code != "210")
        ServerSaid(text);
    if (code != "210" && code != "401")
        return CDDB_FAILED;
    FillList(ParseSites(text), list);
    return code == "210" ? CDDB_OK : CDDB_NO_SITES;
}

std::string QueryCommand(const TCdToc &toc)
{
    std::string command = QueryCommandOf(toc);
    std::replace(command.begin(), command.end(), ' ', '+');
    return command;
}

} // namespace
} // namespace ostrelle

using namespace ostrelle;

extern "C" {

OSTRELLE_EXPORT int32_t OSTRELLE_API http_query(OHWND Window, const TCddbServer *Server, const TCdToc *Toc,
                                                TCDDBQuery *Query)
{
    if (!Server || !Toc || !Query)
        return CDDB_FAILED;
    try {
        int32_t failure = CDDB_FAILED;
        const auto text =
            Fetch(Window, CDDB_REQUEST_QUERY, CommandUrl(*Server, QueryCommand(*Toc)), CDDB_CORRUPT, failure);
        return text ? QueryResult(*text, *Query) : failure;
    } catch (...) {
        return CDDB_FAILED;
    }
}

OSTRELLE_EXPORT int32_t OSTRELLE_API http_read(OHWND Window, const TCddbServer *Server,
                                               const TCddbMatch *Match, TDiscInfo *Info)
{
    if (!Server || !Match || !Info)
        return CDDB_FAILED;
    try {
        const std::string command = "cddb+read+" + TextOf(Match->Category) + "+" + TextOf(Match->DiscId);
        int32_t failure = CDDB_FAILED;
        const auto text =
            Fetch(Window, CDDB_REQUEST_READ, CommandUrl(*Server, command), CDDB_CORRUPT, failure);
        return text ? ReadResult(*text, *Match, *Info) : failure;
    } catch (...) {
        return CDDB_FAILED;
    }
}

OSTRELLE_EXPORT int32_t OSTRELLE_API http_sites(OHWND Window, const TCddbServer *Server, TCddbList *List)
{
    if (!Server || !List)
        return CDDB_FAILED;
    try {
        int32_t failure = CDDB_FAILED;
        const auto text =
            Fetch(Window, CDDB_REQUEST_SITES, CommandUrl(*Server, "sites"), CDDB_FAILED, failure);
        return text ? SitesResult(*text, *List) : failure;
    } catch (...) {
        return CDDB_FAILED;
    }
}

OSTRELLE_EXPORT void OSTRELLE_API http_Abort(void)
{
    if (THttpCli *client = TheCddbTransport().Client)
        client->Abort();
}

OSTRELLE_EXPORT const char *OSTRELLE_API http_LastError(void)
{
    return TheCddbTransport().LastError.c_str();
}

OSTRELLE_EXPORT int32_t OSTRELLE_API http_SetProtocolLevel(int32_t Level)
{
    CddbTransport &transport = TheCddbTransport();
    // A request under way keeps the level, and the encoding, it started with.
    if (Level >= 1 && Level <= 6 && !(transport.Client && transport.Client->Busy()))
        transport.ProtocolLevel = Level;
    return transport.ProtocolLevel;
}

OSTRELLE_EXPORT void OSTRELLE_API http_LastEntryYearGenre(const char **Year, const char **Genre)
{
    const CddbTransport &transport = TheCddbTransport();
    if (Year)
        *Year = transport.LastYear.c_str();
    if (Genre)
        *Genre = transport.LastGenre.c_str();
}

} // extern "C"
