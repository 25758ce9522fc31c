// quavrel-cli lookup: the disc's artist, album and titles from the CDDB server.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/disc_access.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/cli/lookup_setup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char kHelp[] =
    "Usage : quavrel-cli lookup [-d N] [--server HÔTE[:PORT]|URL] [--source S] [--choose K] [--json]\n"
    "Cherche le disque sur le serveur CDDB ou sur MusicBrainz et affiche l'artiste, l'album et les\n"
    "titres.\n"
    "  -d, --drive N   le lecteur N (0 par défaut)\n"
    "  --server S      ce serveur plutôt que celui des paramètres (hôte, hôte:port ou URL http://)\n"
    "  --source S      cddb, musicbrainz ou both (CDDB, puis MusicBrainz si rien n'est trouvé) ;\n"
    "                  par défaut la source des paramètres\n"
    "  --choose K      la K-ième correspondance quand le serveur en donne plusieurs (sans question)\n"
    "  --json          en JSON\n"
    "Sans --choose, plusieurs correspondances sont proposées au choix sur un terminal ; ailleurs\n"
    "aucune n'est prise.\n";

QJsonObject MatchJson(const MetadataMatch &match)
{
    QJsonObject json{{QStringLiteral("source"), match.Source},
                     {QStringLiteral("discId"), match.DiscId},
                     {QStringLiteral("artist"), match.Artist},
                     {QStringLiteral("title"), match.Title}};
    const std::pair<const char *, QString> optional[] = {{"category", match.Category},
                                                         {"date", match.Date},
                                                         {"country", match.Country},
                                                         {"disambiguation", match.Disambiguation},
                                                         {"releaseId", match.ReleaseId}};
    for (const auto &[name, value] : optional)
        if (!value.isEmpty())
            json.insert(QLatin1String(name), value);
    if (match.MediumCount > 0) {
        json.insert(QStringLiteral("medium"), match.MediumPosition);
        json.insert(QStringLiteral("media"), match.MediumCount);
    }
    return json;
}

QJsonObject LookupJson(const LookupResult &lookup)
{
    QJsonArray matches;
    for (const MetadataMatch &match : lookup.Matches)
        matches.append(MatchJson(match));
    QJsonObject json{
        {QStringLiteral("source"), lookup.Source},
        {QStringLiteral("discId"), lookup.DiscId},
        {QStringLiteral("exact"), lookup.Exact},
        {QStringLiteral("matches"), matches},
        {QStringLiteral("chosen"), lookup.Chosen >= 0 ? QJsonValue(lookup.Chosen + 1) : QJsonValue()}};
    if (lookup.Status == LookupStatus::Found) {
        const DiscMetadata &names = lookup.Metadata;
        QJsonArray tracks;
        for (size_t i = 0; i < names.Tracks.size(); ++i) {
            QJsonObject track{{QStringLiteral("number"), static_cast<int>(i + 1)},
                              {QStringLiteral("title"), names.Tracks[i].Title}};
            if (!names.Tracks[i].MusicBrainzRecordingId.isEmpty())
                track.insert(QStringLiteral("recordingId"), names.Tracks[i].MusicBrainzRecordingId);
            tracks.append(track);
        }
        json.insert(QStringLiteral("artist"), names.Artist);
        json.insert(QStringLiteral("album"), names.Album);
        json.insert(QStringLiteral("year"), names.Year);
        json.insert(QStringLiteral("genre"), names.Genre);
        if (!names.MusicBrainzReleaseId.isEmpty())
            json.insert(QStringLiteral("releaseId"), names.MusicBrainzReleaseId);
        json.insert(QStringLiteral("tracks"), tracks);
    }
    return json;
}

void PrintLookup(const LookupResult &lookup)
{
    Print(QStringLiteral("DiscID : ") + lookup.DiscId);
    if (lookup.Matches.size() > 1) {
        Print(lookup.Exact ? QStringLiteral("Correspondances exactes :")
                           : QStringLiteral("Correspondances incomplètes :"));
        for (size_t i = 0; i < lookup.Matches.size(); ++i)
            Print(QStringLiteral("%1 %2. %3")
                      .arg(static_cast<int>(i) == lookup.Chosen ? QLatin1Char('*') : QLatin1Char(' '))
                      .arg(i + 1)
                      .arg(lookup.Matches[i].Line()));
    }
    if (lookup.Status != LookupStatus::Found)
        return;
    const DiscMetadata &names = lookup.Metadata;
    Print(QStringLiteral("Artiste : ") + names.Artist);
    Print(QStringLiteral("Album : ") + names.Album);
    if (!names.Year.isEmpty())
        Print(QStringLiteral("Année : ") + names.Year);
    if (!names.Genre.isEmpty())
        Print(QStringLiteral("Genre : ") + names.Genre);
    for (size_t i = 0; i < names.Tracks.size(); ++i)
        Print(QStringLiteral("%1. %2").arg(i + 1, 2).arg(names.Tracks[i].Title));
}

} // namespace

int RunLookup(const QStringList &Arguments, InterruptWatch &Watch)
{
    CliArguments options;
    QString error;
    int drive = 0;
    int choice = 0;
    const bool parsed =
        options.Parse(Arguments,
                      {{{QStringLiteral("--help"), QStringLiteral("-h")}},
                       {{QStringLiteral("-d"), QStringLiteral("--drive")}, true},
                       {{QStringLiteral("--server")}, true},
                       {{QStringLiteral("--source")}, true},
                       {{QStringLiteral("--choose")}, true},
                       {{QStringLiteral("--json")}}},
                      error) &&
        (!options.Has(QStringLiteral("-d")) ||
         ParseNumber(QStringLiteral("-d"), options.Value(QStringLiteral("-d")), 0, 99, drive, error)) &&
        (!options.Has(QStringLiteral("--choose")) ||
         ParseNumber(QStringLiteral("--choose"), options.Value(QStringLiteral("--choose")), 1, 9999, choice,
                     error));
    if (!parsed)
        return UsageError(QStringLiteral("lookup"), error);
    if (options.Has(QStringLiteral("--help"))) {
        Write(stdout, QString::fromUtf8(kHelp));
        return kExitDone;
    }
    QString problem;
    const RipSettings settings = ReadRipSettings(problem);
    if (!problem.isEmpty())
        PrintError(problem);
    NameSource source = static_cast<NameSource>(settings.Source);
    if (options.Has(QStringLiteral("--source"))) {
        const std::optional<NameSource> given = ParseNameSource(options.Value(QStringLiteral("--source")));
        if (!given)
            return UsageError(QStringLiteral("lookup"),
                              QStringLiteral("--source attend cddb, musicbrainz ou both : « %1 »")
                                  .arg(options.Value(QStringLiteral("--source"))));
        source = *given;
    }
    CddbServerTexts server;
    const QString typed =
        options.Has(QStringLiteral("--server")) ? options.Value(QStringLiteral("--server")) : QString();
    if (!ChooseServer(settings, typed, server, error))
        return UsageError(QStringLiteral("lookup"), error);

    Disc disc;
    if (const int status = ReadDiscToc(drive, disc, error); status != kExitDone) {
        PrintError(error);
        return status;
    }
    AddDiscContents(drive, disc);
    const LookupResult lookup = LookUpNames(disc, settings, server, source, choice, Watch);
    if (InterruptWatch::Interrupted()) {
        PrintError(QStringLiteral("Recherche abandonnée."));
        return kExitCancelled;
    }
    if (lookup.Status == LookupStatus::BadChoice)
        return UsageError(QStringLiteral("lookup"), lookup.Message);
    if (options.Has(QStringLiteral("--json")))
        Write(stdout, QString::fromUtf8(QJsonDocument(LookupJson(lookup)).toJson(QJsonDocument::Indented)));
    else
        PrintLookup(lookup);
    if (lookup.Status != LookupStatus::Found) {
        PrintError(lookup.Message);
        return kExitLookup;
    }
    return kExitDone;
}
