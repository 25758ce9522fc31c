// quavrel-cli toc: the table of contents of a drive's disc and its CDDB disc ID.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/disc_access.h"
#include "quavrel/cli/exit_codes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char kHelp[] = "Usage : quavrel-cli toc [-d N] [--json]\n"
                     "Affiche les pistes du disque (numéro, début, longueur en secteurs, audio ou données),\n"
                     "la fin du disque et son identifiant CDDB.\n"
                     "  -d, --drive N   le lecteur N (0 par défaut, voir quavrel-cli drives)\n"
                     "  --json          en JSON\n";

QString MsfText(int32_t lba)
{
    const int32_t frames = lba + 150;
    return QStringLiteral("%1:%2.%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg(frames / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

} // namespace

int RunToc(const QStringList &Arguments)
{
    CliArguments options;
    QString error;
    int drive = 0;
    if (!options.Parse(Arguments,
                       {{{QStringLiteral("--help"), QStringLiteral("-h")}},
                        {{QStringLiteral("-d"), QStringLiteral("--drive")}, true},
                        {{QStringLiteral("--json")}}},
                       error) ||
        (options.Has(QStringLiteral("-d")) &&
         !ParseNumber(QStringLiteral("-d"), options.Value(QStringLiteral("-d")), 0, 99, drive, error)))
        return UsageError(QStringLiteral("toc"), error);
    if (options.Has(QStringLiteral("--help"))) {
        Write(stdout, QString::fromUtf8(kHelp));
        return kExitDone;
    }
    TCdToc toc{};
    if (const int status = ReadDiscToc(drive, toc, error); status != kExitDone) {
        PrintError(error);
        return status;
    }
    const int32_t leadOut = TocEntryLba(toc.LeadOut);
    QJsonArray tracks;
    QStringList lines;
    for (int i = 0; i < toc.Count; ++i) {
        const int32_t start = TocEntryLba(toc.Tracks[i]);
        const int32_t end = i + 1 < toc.Count ? TocEntryLba(toc.Tracks[i + 1]) : leadOut;
        const bool audio = toc.Tracks[i].Audio != 0;
        tracks.append(QJsonObject{{QStringLiteral("number"), i + 1},
                                  {QStringLiteral("start"), start},
                                  {QStringLiteral("length"), end - start},
                                  {QStringLiteral("audio"), audio}});
        lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                     .arg(i + 1, 2)
                     .arg(start, 7)
                     .arg(end - start, 7)
                     .arg(MsfText(start))
                     .arg(audio ? QStringLiteral("audio") : QStringLiteral("données"));
    }
    if (options.Has(QStringLiteral("--json"))) {
        const QJsonObject disc{{QStringLiteral("drive"), drive},
                               {QStringLiteral("discId"), DiscIdText(toc)},
                               {QStringLiteral("leadOut"), leadOut},
                               {QStringLiteral("tracks"), tracks}};
        Write(stdout, QString::fromUtf8(QJsonDocument(disc).toJson(QJsonDocument::Indented)));
        return kExitDone;
    }
    Print(QStringLiteral("Piste\t  Début\tLongueur\tPosition\tType"));
    for (const QString &line : lines)
        Print(line);
    Print(QStringLiteral("Fin du disque : %1 (%2)").arg(leadOut).arg(MsfText(leadOut)));
    Print(QStringLiteral("DiscID : ") + DiscIdText(toc));
    return kExitDone;
}
