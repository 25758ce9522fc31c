#include "quavrel/cli/lookup_setup.h"

#include "quavrel/cli/console.h"

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
    return [](const DiscLookup &lookup) {
        if (!IsTerminal(stdin) || !IsTerminal(stderr))
            return -1;
        PrintError(lookup.Exact ? QStringLiteral("Correspondance exacte trouvée :")
                                : QStringLiteral("Correspondance incomplète trouvée :"));
        for (size_t i = 0; i < lookup.Matches.size(); ++i)
            PrintError(QStringLiteral("  %1. %2").arg(i + 1).arg(MatchLine(lookup.Matches[i])));
        Write(stderr, QStringLiteral("Votre choix (1-%1, Entrée pour aucun) : ").arg(lookup.Matches.size()));
        char line[64];
        if (!std::fgets(line, sizeof line, stdin))
            return -1;
        bool ok = false;
        const int choice = QString::fromUtf8(line).trimmed().toInt(&ok);
        return ok ? choice - 1 : -1;
    };
}
