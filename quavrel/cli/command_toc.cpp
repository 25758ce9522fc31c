// quavrel-cli toc: the table of contents of a drive's disc and its CDDB disc ID.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/disc_access.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/engine/verify/accuraterip_disc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char kHelp[] = "Usage : quavrel-cli toc [-d N] [--json]\n"
                     "Affiche les pistes du disque (numéro, début, longueur en secteurs, audio ou données),\n"
                     "la fin du disque et ses identifiants CDDB, MusicBrainz et AccurateRip.\n"
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
    Disc disc;
    if (const int status = ReadDiscToc(drive, disc, error); status != kExitDone) {
        PrintError(error);
        return status;
    }
    QJsonArray tracks;
    QStringList lines;
    for (const DiscTrack &track : disc.Tracks()) {
        const int32_t length = disc.TrackRange(track.Number).Count();
        tracks.append(QJsonObject{{QStringLiteral("number"), track.Number},
                                  {QStringLiteral("start"), track.Start},
                                  {QStringLiteral("length"), length},
                                  {QStringLiteral("audio"), track.Audio}});
        lines << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                     .arg(track.Number, 2)
                     .arg(track.Start, 7)
                     .arg(length, 7)
                     .arg(MsfText(track.Start))
                     .arg(track.Audio ? QStringLiteral("audio") : QStringLiteral("données"));
    }
    const AccurateRipIdentity ids = disc.AccurateRipIds();
    const QString hex = QStringLiteral("%1");
    if (options.Has(QStringLiteral("--json"))) {
        QJsonObject json{{QStringLiteral("drive"), drive},
                         {QStringLiteral("discId"), disc.CddbIdText()},
                         {QStringLiteral("musicBrainzId"), disc.MusicBrainzId()},
                         {QStringLiteral("leadOut"), disc.LeadOut()},
                         {QStringLiteral("audioEnd"), disc.AudioEnd()},
                         {QStringLiteral("tracks"), tracks}};
        if (!ids.Empty())
            json.insert(QStringLiteral("accurateRip"),
                        QJsonObject{{QStringLiteral("id1"), hex.arg(ids.Id1, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("id2"), hex.arg(ids.Id2, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("id3"), hex.arg(ids.Id3, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("path"), AccurateRipUrl(QString(), ids)}});
        Write(stdout, QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
        return kExitDone;
    }
    Print(QStringLiteral("Piste\t  Début\tLongueur\tPosition\tType"));
    for (const QString &line : lines)
        Print(line);
    Print(QStringLiteral("Fin du disque : %1 (%2)").arg(disc.LeadOut()).arg(MsfText(disc.LeadOut())));
    if (disc.AudioEnd() != disc.LeadOut())
        Print(QStringLiteral("Fin de la session audio : %1 (%2)")
                  .arg(disc.AudioEnd())
                  .arg(MsfText(disc.AudioEnd())));
    Print(QStringLiteral("DiscID : ") + disc.CddbIdText());
    Print(QStringLiteral("MusicBrainz : ") + disc.MusicBrainzId());
    if (!ids.Empty())
        Print(QStringLiteral("AccurateRip : %1").arg(AccurateRipUrl(QString(), ids)));
    return kExitDone;
}
