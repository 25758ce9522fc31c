#include "quavrel/metadata/cddb/cddb_source.h"

#include "quavrel/disc/ostrelle_toc.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/metadata/cddb/cddb_server_record.h"
#include "quavrel/metadata/lookup/plain_text.h"

CddbSource::CddbSource(CddbSourceOptions Options) : options_(std::move(Options)) {}

CddbSource::~CddbSource()
{
    FreeDiscInfo(&info_);
    FreeCddbQuery(&query_);
}

QString CddbSource::Text(const char *Text) const
{
    return PlainText(FromCddbText(Text, options_.Utf8));
}

QString CddbSource::WithReason(const QString &Message) const
{
    const QString reason = Text(http_LastError());
    return reason.isEmpty() ? Message : Message + QStringLiteral("\nCause : ") + reason;
}

LookupResult CddbSource::Failure(const QString &Message) const
{
    LookupResult result;
    result.Status = aborted_ ? LookupStatus::Abandoned : LookupStatus::Failed;
    result.Message = WithReason(Message);
    return result;
}

void CddbSource::Abort()
{
    aborted_ = true;
    http_Abort();
}

LookupResult CddbSource::Query(const Disc &Disc)
{
    aborted_ = false;
    FreeCddbQuery(&query_);
    query_ = TCDDBQuery{};
    // Level 4 as the protocol is specified; level 6 brings UTF-8 texts, and the entry's year and
    // genre (sent from level 5 on).
    http_SetProtocolLevel(options_.Utf8 ? 6 : 4);
    const CddbServerRecord server(options_.Server);
    const TCdToc toc = TocOf(Disc);
    if (options_.BeforeRequest)
        options_.BeforeRequest(CDDB_REQUEST_QUERY);
    const int32_t found = http_query(options_.ProgressWindow, server.Record(), &toc, &query_);

    LookupResult result;
    result.DiscId = Disc.CddbIdText();
    for (int32_t i = 0; i < query_.Count; ++i) {
        const TCddbMatch &m = query_.Matches[i];
        MetadataMatch match;
        match.Source = Name();
        match.Category = Text(m.Category);
        match.DiscId = Text(m.DiscId);
        match.Artist = Text(m.Artist);
        match.Title = Text(m.Title);
        result.Matches.push_back(match);
    }
    switch (found) {
    case CDDB_EXACT:
    case CDDB_EXACT_MULTIPLE:
    case CDDB_INEXACT:
        // A reply without a match has nothing to read: asking would only ask the server for nothing.
        if (result.Matches.empty() || aborted_)
            break;
        result.Status = LookupStatus::Found;
        result.Exact = found != CDDB_INEXACT;
        return result;
    case CDDB_NO_MATCH:
        result.Status = LookupStatus::NoMatch;
        result.Message = QStringLiteral("Pas de correspondance trouvée pour DiscID: ") + result.DiscId;
        return result;
    case CDDB_CORRUPT: {
        LookupResult failure = Failure(QStringLiteral("Entrée Database entry corrompue!"));
        failure.DiscId = result.DiscId;
        return failure;
    }
    default:
        break;
    }
    LookupResult failure = Failure(QStringLiteral("Erreur pendant la récupération des données!"));
    failure.DiscId = result.DiscId;
    return failure;
}

LookupResult CddbSource::Read(const Disc &Disc, const LookupResult &, int Index)
{
    if (Index < 0 || Index >= query_.Count)
        return Failure(QStringLiteral("Erreur pendant la récupération des données CDDB!"));
    FreeDiscInfo(&info_);
    info_ = TDiscInfo{};
    const CddbServerRecord server(options_.Server);
    const TCddbMatch &match = query_.Matches[Index];
    if (options_.BeforeRequest)
        options_.BeforeRequest(CDDB_REQUEST_READ);
    const int32_t read = http_read(options_.ProgressWindow, server.Record(), &match, &info_);
    if (aborted_)
        return Failure(QStringLiteral("Erreur pendant la récupération des données CDDB!"));
    switch (read) {
    case CDDB_OK:
        break;
    case CDDB_ENTRY_NOT_FOUND:
        return Failure(QStringLiteral("Entrée CDDB non trouvée!"));
    case CDDB_CORRUPT:
        return Failure(QStringLiteral("Entrée Database corrompue!"));
    case CDDB_SERVER_ERROR:
        return Failure(QStringLiteral("Erreur serveur!"));
    default:
        return Failure(QStringLiteral("Erreur pendant la récupération des données CDDB!"));
    }
    LookupResult result;
    result.Status = LookupStatus::Found;
    DiscMetadata &names = result.Metadata;
    names.Artist = Text(info_.Artist);
    names.Album = Text(info_.Title);
    for (int32_t i = 0; i < info_.Count; ++i)
        names.Tracks.push_back({Text(info_.TrackTitles[i]), {}});
    const char *year = nullptr;
    const char *genre = nullptr;
    http_LastEntryYearGenre(&year, &genre);
    names.Year = Text(year).trimmed();
    names.Genre = GenreOf(Text(genre), Text(match.Category));
    names.CddbDiscId = Disc.CddbIdText();
    return result;
}

QString GenreOf(const QString &EntryGenre, const QString &Category)
{
    if (!EntryGenre.trimmed().isEmpty())
        return EntryGenre.trimmed();
    const QString category = Category.trimmed().toLower();
    if (category.isEmpty() || category == QLatin1String("misc") || category == QLatin1String("data"))
        return {};
    if (category == QLatin1String("newage"))
        return QStringLiteral("New Age");
    return category.left(1).toUpper() + category.mid(1);
}
