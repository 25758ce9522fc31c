#include "quavrel/cli/disc_lookup.h"

#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/metadata/cddb/cddb_server_record.h"

namespace {

struct Records {
    TCDDBQuery query{};
    TDiscInfo info{};
    Records() = default;
    Records(const Records &) = delete;
    Records &operator=(const Records &) = delete;
    ~Records()
    {
        FreeDiscInfo(&info);
        FreeCddbQuery(&query);
    }
};

QString WithReason(const QString &message, bool utf8)
{
    const QString reason = FromCddbText(http_LastError(), utf8);
    return reason.isEmpty() ? message : message + QStringLiteral(" (") + reason + QLatin1Char(')');
}

} // namespace

QString MatchLine(const LookupMatch &Match)
{
    return QStringLiteral("%1 %2 %3 / %4").arg(Match.Category, Match.DiscId, Match.Artist, Match.Title);
}

bool ChooseMatch(DiscLookup &lookup, int Choice, const MatchChooser &Chooser)
{
    const int count = static_cast<int>(lookup.Matches.size());
    if (Choice > 0) {
        if (Choice > count) {
            lookup.Outcome = DiscLookup::Status::BadChoice;
            lookup.Message = QStringLiteral("--choose %1 : le serveur n'a donné que %2 correspondance(s).")
                                 .arg(Choice)
                                 .arg(count);
            return false;
        }
        lookup.Chosen = Choice - 1;
    } else if (count == 1) {
        lookup.Chosen = 0;
    } else {
        lookup.Chosen = Chooser ? Chooser(lookup) : -1;
        if (lookup.Chosen < 0 || lookup.Chosen >= count) {
            lookup.Chosen = -1;
            lookup.Outcome = DiscLookup::Status::NoneChosen;
            lookup.Message =
                QStringLiteral("%1 correspondances, aucune choisie (--choose K pour en prendre une).")
                    .arg(count);
            return false;
        }
    }
    return true;
}

DiscLookup LookUpDisc(const TCdToc &Toc, const CddbServerTexts &Server, bool Utf8, int Choice,
                      const MatchChooser &Chooser)
{
    DiscLookup lookup;
    lookup.DiscId = QStringLiteral("%1").arg(CalcDiscID(&Toc), 8, 16, QLatin1Char('0'));
    http_SetProtocolLevel(Utf8 ? 6 : 4);
    const CddbServerRecord server(Server);
    Records records;
    const int32_t found = http_query(0, server.Record(), &Toc, &records.query);
    for (int32_t i = 0; i < records.query.Count; ++i) {
        const TCddbMatch &m = records.query.Matches[i];
        lookup.Matches.push_back({FromCddbText(m.Category, Utf8), FromCddbText(m.DiscId, Utf8),
                                  FromCddbText(m.Artist, Utf8), FromCddbText(m.Title, Utf8)});
    }
    const int count = static_cast<int>(lookup.Matches.size());
    switch (found) {
    case CDDB_EXACT:
    case CDDB_EXACT_MULTIPLE:
    case CDDB_INEXACT:
        lookup.Exact = found != CDDB_INEXACT;
        break;
    case CDDB_NO_MATCH:
        lookup.Outcome = DiscLookup::Status::NoMatch;
        lookup.Message = QStringLiteral("Pas de correspondance trouvée pour DiscID: ") + lookup.DiscId;
        return lookup;
    case CDDB_CORRUPT:
        lookup.Message = WithReason(QStringLiteral("Entrée Database entry corrompue!"), Utf8);
        return lookup;
    default:
        lookup.Message = WithReason(QStringLiteral("Erreur pendant la récupération des données!"), Utf8);
        return lookup;
    }
    if (count == 0) {
        lookup.Message = WithReason(QStringLiteral("Erreur pendant la récupération des données!"), Utf8);
        return lookup;
    }
    if (!ChooseMatch(lookup, Choice, Chooser))
        return lookup;

    const int32_t read = http_read(0, server.Record(), &records.query.Matches[lookup.Chosen], &records.info);
    switch (read) {
    case CDDB_OK:
        break;
    case CDDB_ENTRY_NOT_FOUND:
        lookup.Message = WithReason(QStringLiteral("Entrée CDDB non trouvée!"), Utf8);
        return lookup;
    case CDDB_CORRUPT:
        lookup.Message = WithReason(QStringLiteral("Entrée Database corrompue!"), Utf8);
        return lookup;
    case CDDB_SERVER_ERROR:
        lookup.Message = WithReason(QStringLiteral("Erreur serveur!"), Utf8);
        return lookup;
    default:
        lookup.Message = WithReason(QStringLiteral("Erreur pendant la récupération des données CDDB!"), Utf8);
        return lookup;
    }
    lookup.Outcome = DiscLookup::Status::Found;
    lookup.Artist = FromCddbText(records.info.Artist, Utf8);
    lookup.Album = FromCddbText(records.info.Title, Utf8);
    for (int32_t i = 0; i < records.info.Count; ++i)
        lookup.Titles << FromCddbText(records.info.TrackTitles[i], Utf8);
    const char *year = nullptr;
    const char *genre = nullptr;
    http_LastEntryYearGenre(&year, &genre);
    lookup.Year = FromCddbText(year, Utf8);
    lookup.Genre = FromCddbText(genre, Utf8);
    return lookup;
}
