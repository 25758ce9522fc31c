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
                     "Affiche les pistes du disque (numéro, début, longueur en secteurs, audio ou données,\n"
                     "pré-gap, ISRC, préaccentuation), la piste cachée, le numéro de catalogue, le CD-Text,\n"
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
    AddDiscContents(drive, disc);
    QJsonArray tracks;
    QStringList lines;
    for (const DiscTrack &track : disc.Tracks()) {
        const int32_t length = disc.TrackRange(track.Number).Count();
        QJsonObject json{{QStringLiteral("number"), track.Number},
                         {QStringLiteral("start"), track.Start},
                         {QStringLiteral("length"), length},
                         {QStringLiteral("audio"), track.Audio},
                         {QStringLiteral("index0"), track.Index0()},
                         {QStringLiteral("pregap"), track.Pregap},
                         {QStringLiteral("preEmphasis"), track.PreEmphasis},
                         {QStringLiteral("copyPermitted"), track.CopyPermitted}};
        if (!track.Isrc.isEmpty())
            json.insert(QStringLiteral("isrc"), track.Isrc);
        tracks.append(json);
        QStringList flags;
        if (track.PreEmphasis)
            flags << QStringLiteral("préaccentuée");
        if (track.CopyPermitted)
            flags << QStringLiteral("copie permise");
        if (track.FourChannel)
            flags << QStringLiteral("4 canaux");
        lines << QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\t%7\t%8")
                     .arg(track.Number, 2)
                     .arg(track.Start, 7)
                     .arg(length, 7)
                     .arg(MsfText(track.Start))
                     .arg(track.Audio ? QStringLiteral("audio") : QStringLiteral("données"))
                     .arg(track.Pregap, 6)
                     .arg(track.Isrc.isEmpty() ? QStringLiteral("-") : track.Isrc)
                     .arg(flags.join(QStringLiteral(", ")));
    }
    QJsonArray texts;
    for (const CdTextBlock &block : disc.CdText().Blocks) {
        QJsonObject json{{QStringLiteral("language"), block.Language},
                         {QStringLiteral("languageName"), block.LanguageName()},
                         {QStringLiteral("charset"), block.CharsetName()},
                         {QStringLiteral("readable"), block.Readable}};
        if (block.Readable) {
            json.insert(QStringLiteral("album"), block.Album);
            json.insert(QStringLiteral("artist"), block.Artist);
            json.insert(QStringLiteral("titles"), QJsonArray::fromStringList(block.Titles));
            json.insert(QStringLiteral("performers"), QJsonArray::fromStringList(block.Performers));
        }
        texts.append(json);
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
        if (disc.HasHiddenTrack())
            json.insert(QStringLiteral("hiddenTrack"),
                        QJsonObject{{QStringLiteral("start"), 0},
                                    {QStringLiteral("length"), disc.TrackRange(0).Count()}});
        if (!disc.Catalog().isEmpty())
            json.insert(QStringLiteral("catalog"), disc.Catalog());
        if (!texts.isEmpty())
            json.insert(QStringLiteral("cdText"), texts);
        if (!disc.CdText().Problems.isEmpty())
            json.insert(QStringLiteral("cdTextProblems"), QJsonArray::fromStringList(disc.CdText().Problems));
        if (!ids.Empty())
            json.insert(QStringLiteral("accurateRip"),
                        QJsonObject{{QStringLiteral("id1"), hex.arg(ids.Id1, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("id2"), hex.arg(ids.Id2, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("id3"), hex.arg(ids.Id3, 8, 16, QLatin1Char('0'))},
                                    {QStringLiteral("path"), AccurateRipUrl(QString(), ids)}});
        Write(stdout, QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Indented)));
        return kExitDone;
    }
    Print(QStringLiteral("Piste\t  Début\tLongueur\tPosition\tType\tPré-gap\tISRC\tIndicateurs"));
    for (const QString &line : lines)
        Print(line);
    if (disc.HasHiddenTrack())
        Print(QStringLiteral("Piste cachée (piste 0) : secteurs 0 à %1 (%2)")
                  .arg(disc.TrackRange(0).Last)
                  .arg(MsfText(disc.TrackRange(0).Count() - 150)));
    if (!disc.Catalog().isEmpty())
        Print(QStringLiteral("Catalogue (MCN/UPC) : ") + disc.Catalog());
    for (const CdTextBlock &block : disc.CdText().Blocks) {
        if (!block.Readable)
            continue;
        Print(QStringLiteral("CD-Text %1 (%2) : %3 / %4")
                  .arg(block.LanguageName(), block.CharsetName(), block.Artist, block.Album));
        for (qsizetype i = 0; i < block.Titles.size(); ++i)
            Print(QStringLiteral("  %1. %2").arg(i + 1, 2).arg(block.Titles[i]));
    }
    for (const QString &problem : disc.CdText().Problems)
        Print(problem);
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
