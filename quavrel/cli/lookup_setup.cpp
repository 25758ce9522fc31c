#include "quavrel/cli/lookup_setup.h"

#include "quavrel/cli/console.h"
#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/metadata/cddb/cddb_source.h"
#include "quavrel/metadata/cdtext/cdtext_source.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_source.h"

#include <cstdio>

bool ChooseServer(const RipSettings &Settings, const QString &Typed, CddbServerTexts &Server, QString &Error)
{
    Server.Server = Settings.Server;
    Server.CgiPath = Settings.CgiPath;
    Server.UserName = QStringLiteral("Quavrel");
    Server.HostName = QStringLiteral("localhost");
    if (!Typed.isNull() && !ApplyTypedServer(Typed, Server)) {
        Error = QStringLiteral(
                    "serveur invalide : « %1 » (hôte, hôte:port ou http://hôte[:port]/chemin/cddb.cgi)")
                    .arg(Typed);
        return false;
    }
    return true;
}

MatchChooser TerminalChooser()
{
    return [](const LookupResult &query) {
        if (!IsTerminal(stdin) || !IsTerminal(stderr))
            return -1;
        PrintError(query.Exact ? QStringLiteral("Correspondance exacte trouvée :")
                               : QStringLiteral("Correspondance incomplète trouvée :"));
        for (size_t i = 0; i < query.Matches.size(); ++i)
            PrintError(QStringLiteral("  %1. %2").arg(i + 1).arg(query.Matches[i].Line()));
        Write(stderr, QStringLiteral("Votre choix (1-%1, Entrée pour aucun) : ").arg(query.Matches.size()));
        char line[64];
        if (!std::fgets(line, sizeof line, stdin))
            return -1;
        bool ok = false;
        const int choice = QString::fromUtf8(line).trimmed().toInt(&ok);
        return ok ? choice - 1 : -1;
    };
}

LookupResult LookUpNames(const Disc &Disc, const RipSettings &Settings, const CddbServerTexts &Server,
                         NameSource Source, int Choice, InterruptWatch &Watch)
{
    CddbSourceOptions cddbOptions;
    cddbOptions.Server = Server;
    cddbOptions.Utf8 = Settings.Utf8Texts;
    CddbSource cddb(cddbOptions);
    MusicBrainzOptions options;
    const QUrl base(Settings.MusicBrainzServer);
    if (base.isValid() && !base.isEmpty())
        options.BaseUrl = base;
    MusicBrainzClient client(options);
    MusicBrainzSource musicBrainz(client);
    std::vector<MetadataSource *> sources;
    if (Source != NameSource::MusicBrainz)
        sources.push_back(&cddb);
    if (Source != NameSource::Cddb)
        sources.push_back(&musicBrainz);
    // The disc's own texts when the services know nothing of it.
    CdTextSource cdText;
    if (!Disc.CdText().Empty())
        sources.push_back(&cdText);
    // Ctrl-C abandons whichever request is under way; the lookup then asks no other source.
    Watch.SetAction([&sources] {
        for (MetadataSource *source : sources)
            source->Abort();
    });
    const LookupResult result = LookUpDisc(Disc, sources, {Choice, TerminalChooser()});
    Watch.SetAction({});
    return result;
}
