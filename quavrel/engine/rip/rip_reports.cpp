#include "quavrel/engine/rip/rip_reports.h"

#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/engine/verify/accuraterip_disc.h"

#include <algorithm>

#include <QRegularExpression>

namespace {

const QString kFormatLabel = QStringLiteral("Format : ");
const QString kCddbIdLabel = QStringLiteral("Identifiant CDDB : ");
const QString kFileLabel = QStringLiteral("  Fichier : ");
const QString kSectorsLabel = QStringLiteral("  Secteurs : ");
const QString kResultLabel = QStringLiteral("  Résultat : ");
const QString kChecksumsLabel = QStringLiteral("  AccurateRip v1 : ");
const QString kDamageLabel = QStringLiteral("  Endommagée : ");

// Cue sheets have no escape for the quote that ends a text.
QString Quoted(const QString &text)
{
    QString plain = text;
    plain.replace(QLatin1Char('"'), QLatin1Char('\''));
    plain.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QLatin1Char('"') + plain + QLatin1Char('"');
}

std::vector<const ReportTrack *> InTrackOrder(const RipSession &Session)
{
    std::vector<const ReportTrack *> tracks;
    for (const ReportTrack &track : Session.Tracks)
        tracks.push_back(&track);
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const ReportTrack *a, const ReportTrack *b) { return a->Number < b->Number; });
    return tracks;
}

QString LookupText(const RipSession &Session)
{
    if (!Session.LookedUp)
        return QStringLiteral("non consultée");
    const AccurateRipLookup &lookup = Session.Lookup;
    QString text;
    switch (lookup.Result) {
    case AccurateRipResult::Exact:
        text = QStringLiteral("disque trouvé, %1 pressage(s)").arg(lookup.Pressings.size());
        break;
    case AccurateRipResult::NotInDatabase:
        text = QStringLiteral("disque absent de la base");
        break;
    case AccurateRipResult::Offline:
        text = QStringLiteral("base injoignable");
        break;
    case AccurateRipResult::Mismatch:
    case AccurateRipResult::NoDatabase:
        text = QStringLiteral("pas de base");
        break;
    }
    return lookup.Detail.isEmpty() ? text : text + QStringLiteral(" (") + lookup.Detail + QLatin1Char(')');
}

QString SignedSamples(int32_t offset)
{
    return (offset > 0 ? QStringLiteral("+") : QString()) + QString::number(offset);
}

// mm:ss:ff of a number of sectors.
QString CueTime(int32_t sectors)
{
    return QStringLiteral("%1:%2:%3")
        .arg(sectors / 4500, 2, 10, QLatin1Char('0'))
        .arg(sectors / 75 % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % 75, 2, 10, QLatin1Char('0'));
}

QStringList BlockOf(const ReportTrack &track)
{
    if (!track.KeptBlock.isEmpty())
        return track.KeptBlock;
    const QString title =
        track.Number == 0 && track.Title.isEmpty() ? QStringLiteral("piste cachée") : track.Title;
    QStringList lines{QStringLiteral("Piste %1%2")
                          .arg(track.Number)
                          .arg(title.isEmpty() ? QString() : QStringLiteral(" : ") + title),
                      kFileLabel + track.File,
                      kSectorsLabel + QStringLiteral("%1 à %2").arg(track.FirstSector).arg(track.LastSector)};
    if (track.Pregap > 0)
        lines << QStringLiteral(
                     "  Pré-gap : %1 secteur(s) à partir du secteur %2, rippé avec la piste précédente")
                     .arg(track.Pregap)
                     .arg(track.FirstSector - track.Pregap);
    if (!track.Isrc.isEmpty())
        lines << QStringLiteral("  ISRC : ") + track.Isrc;
    if (track.PreEmphasis)
        lines << QStringLiteral("  Préaccentuation : oui (audio laissé tel quel)");
    lines << QStringLiteral("  CRC32 : %1").arg(ChecksumText(track.Crc32));
    lines << QStringLiteral("  Crête : ") + PeakSampleText(track.PeakSample);
    if (track.Checksummed)
        lines << kChecksumsLabel +
                     QStringLiteral("%1, v2 : %2").arg(ChecksumText(track.V1), ChecksumText(track.V2));
    lines << kResultLabel + TrackVerdictText(track).section(QStringLiteral(" : "), 1, -1)
          << QStringLiteral("  Erreurs de gigue : %1, secteur(s) réparé(s) par paranoïa : %2")
                 .arg(track.JitterErrors)
                 .arg(track.RepairedSectors);
    lines << track.SecureLines;
    if (!track.Damage.isEmpty())
        lines << kDamageLabel + track.Damage;
    if (track.NameShortened)
        lines << QStringLiteral("  Nom raccourci : le titre ne tenait pas dans un nom de fichier");
    return lines;
}

} // namespace

QString TrackVerdictText(const ReportTrack &Track)
{
    if (Track.Number == 0)
        return QStringLiteral("Piste 0 : AccurateRip non vérifiée : la base ne connaît pas la piste cachée");
    if (!Track.Damage.isEmpty())
        return QStringLiteral("Piste %1 : AccurateRip non vérifiée : piste endommagée").arg(Track.Number);
    if (!Track.Checksummed)
        return QStringLiteral("Piste %1 : AccurateRip non vérifiée : format autre que 44100 Hz stéréo")
            .arg(Track.Number);
    return QStringLiteral("Piste %1 : AccurateRip %2").arg(Track.Number).arg(VerdictText(Track.Verdict));
}

QString RipLogText(const RipSession &Session)
{
    QStringList lines;
    lines << QStringLiteral("%1 — journal de rippage").arg(Session.Program)
          << QStringLiteral("Date : %1").arg(Session.Started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
          << QString() << QStringLiteral("Lecteur : %1").arg(Session.Drive)
          << QStringLiteral("Décalage de lecture : %1 échantillon(s)").arg(SignedSamples(Session.ReadOffset))
          << kFormatLabel + Session.Format;
    lines << Session.Settings;
    lines << QStringLiteral("Dossier : %1").arg(Session.Directory)
          << QStringLiteral("Artiste : %1").arg(Session.Artist)
          << QStringLiteral("Album : %1").arg(Session.Album) << QString() << kCddbIdLabel + Session.CddbId;
    if (!Session.Disc.Catalog().isEmpty())
        lines << QStringLiteral("Catalogue (MCN/UPC) : ") + Session.Disc.Catalog();
    if (Session.Disc.HasHiddenTrack())
        lines << QStringLiteral("Piste cachée : secteurs 0 à %1, avant la piste 1")
                     .arg(Session.Disc.TrackRange(0).Last);
    if (!Session.AccurateRip.Empty())
        lines << QStringLiteral("AccurateRip : %1").arg(AccurateRipFileName(Session.AccurateRip));
    lines << QStringLiteral("Base AccurateRip : %1 — %2")
                 .arg(Session.Server.isEmpty() ? QStringLiteral("aucune") : Session.Server,
                      LookupText(Session));

    int exact = 0;
    int mismatch = 0;
    int damaged = 0;
    for (const ReportTrack *track : InTrackOrder(Session)) {
        lines << QString() << BlockOf(*track);
        damaged += track->Damage.isEmpty() ? 0 : 1;
        if (track->Checksummed && track->Verdict.Result == AccurateRipResult::Exact)
            ++exact;
        else if (track->Checksummed && track->Verdict.Result == AccurateRipResult::Mismatch)
            ++mismatch;
    }
    const int count = static_cast<int>(Session.Tracks.size());
    lines << QString()
          << QStringLiteral(
                 "Résumé : %1 piste(s) rippée(s), %2 exacte(s), %3 différente(s), %4 non vérifiée(s)")
                 .arg(count)
                 .arg(exact)
                 .arg(mismatch)
                 .arg(count - exact - mismatch);
    if (damaged > 0)
        lines << QStringLiteral(
                     "Pistes endommagées : %1, leur audio est incomplet (fichiers « (endommagé) »)")
                     .arg(damaged);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::optional<std::vector<ReportTrack>> TracksOfLog(const QString &Log, const QString &CddbId,
                                                    const QString &Format)
{
    const QStringList lines = Log.split(QLatin1Char('\n'));
    if (lines.isEmpty() || !lines.first().endsWith(QStringLiteral(" — journal de rippage")) ||
        !lines.contains(kFormatLabel + Format) || !lines.contains(kCddbIdLabel + CddbId))
        return std::nullopt;
    static const QRegularExpression head(QStringLiteral("^Piste (\\d+)(?: : (.*))?$"));
    static const QRegularExpression sectors(QStringLiteral("^(-?\\d+) à (-?\\d+)$"));
    std::vector<ReportTrack> tracks;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = head.match(lines[i]);
        if (!match.hasMatch())
            continue;
        ReportTrack track;
        track.Number = match.captured(1).toInt();
        track.Title = match.captured(2);
        track.KeptBlock << lines[i];
        for (++i; i < lines.size() && lines[i].startsWith(QStringLiteral("  ")); ++i) {
            const QString &line = lines[i];
            track.KeptBlock << line;
            if (line.startsWith(kFileLabel)) {
                track.File = line.mid(kFileLabel.size());
            } else if (line.startsWith(kSectorsLabel)) {
                const QRegularExpressionMatch range = sectors.match(line.mid(kSectorsLabel.size()));
                track.FirstSector = range.captured(1).toInt();
                track.LastSector = range.captured(2).toInt();
            } else if (line.startsWith(kDamageLabel)) {
                track.Damage = line.mid(kDamageLabel.size());
            } else if (line.startsWith(kChecksumsLabel)) {
                track.Checksummed = true;
            } else if (line.startsWith(kResultLabel)) {
                // Only the summary's counts need the verdict back.
                const QString result = line.mid(kResultLabel.size());
                track.Verdict.Result = result.startsWith(QStringLiteral("AccurateRip exacte"))
                                           ? AccurateRipResult::Exact
                                       : result.startsWith(QStringLiteral("AccurateRip différente"))
                                           ? AccurateRipResult::Mismatch
                                           : AccurateRipResult::NoDatabase;
            }
        }
        --i;
        if (track.File.isEmpty())
            return std::nullopt;
        tracks.push_back(std::move(track));
    }
    return tracks;
}

QString CueSheetText(const RipSession &Session)
{
    QStringList lines;
    // The suite, not the front end: a sheet is the same whichever made it.
    lines << QStringLiteral("REM COMMENT %1").arg(Quoted(QStringLiteral("Quavrel " QUAVREL_VERSION)));
    if (Session.AccurateRip.Id3 != 0)
        lines << QStringLiteral("REM DISCID %1").arg(ChecksumText(Session.AccurateRip.Id3));
    if (!Session.Disc.Catalog().isEmpty())
        lines << QStringLiteral("CATALOG ") + Session.Disc.Catalog();
    lines << QStringLiteral("PERFORMER %1").arg(Quoted(Session.Artist))
          << QStringLiteral("TITLE %1").arg(Quoted(Session.Album));
    const Disc &disc = Session.Disc;
    // The file written last and its first sector: where the next track's pre-gap may lie.
    const ReportTrack *file = nullptr;
    const auto header = [&](const ReportTrack &track) {
        lines << QStringLiteral("  TRACK %1 AUDIO").arg(track.Number, 2, 10, QLatin1Char('0'))
              << QStringLiteral("    TITLE %1").arg(Quoted(track.Title))
              << QStringLiteral("    PERFORMER %1").arg(Quoted(Session.Artist));
        if (disc.HasTrack(track.Number)) {
            const DiscTrack &entry = disc.Track(track.Number);
            QStringList flags;
            if (entry.CopyPermitted)
                flags << QStringLiteral("DCP");
            if (entry.PreEmphasis)
                flags << QStringLiteral("PRE");
            if (entry.FourChannel)
                flags << QStringLiteral("4CH");
            if (!flags.isEmpty())
                lines << QStringLiteral("    FLAGS ") + flags.join(QLatin1Char(' '));
            if (!entry.Isrc.isEmpty())
                lines << QStringLiteral("    ISRC ") + entry.Isrc;
        }
    };
    const auto fileLine = [&](const ReportTrack &track) {
        const bool mp3 = track.File.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive);
        lines << QStringLiteral("FILE %1 %2")
                     .arg(Quoted(track.File), mp3 ? QStringLiteral("MP3") : QStringLiteral("WAVE"));
        file = &track;
    };
    for (const ReportTrack *track : InTrackOrder(Session)) {
        if (track->Number == 0) {
            fileLine(*track);
            continue;
        }
        const DiscTrack *entry = disc.HasTrack(track->Number) ? &disc.Track(track->Number) : nullptr;
        const int32_t index0 = entry ? entry->Index0() : track->FirstSector;
        const int32_t pregap = entry ? entry->Pregap : 0;
        if (pregap > 0 && file && file->Number == track->Number - 1 && index0 >= file->FirstSector &&
            index0 <= file->LastSector) {
            header(*track);
            lines << QStringLiteral("    INDEX 00 ") + CueTime(index0 - file->FirstSector);
            fileLine(*track);
        } else {
            fileLine(*track);
            header(*track);
            if (pregap > 0)
                lines << QStringLiteral("    PREGAP ") + CueTime(pregap);
        }
        lines << QStringLiteral("    INDEX 01 00:00:00");
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QString PlaylistText(const RipSession &Session)
{
    QStringList lines{QStringLiteral("#EXTM3U")};
    for (const ReportTrack *track : InTrackOrder(Session)) {
        const int64_t seconds = (int64_t{track->LastSector} - track->FirstSector + 1) / 75;
        const QString title = !track->Title.isEmpty() ? track->Title
                              : track->Number == 0    ? QStringLiteral("Piste cachée")
                                                      : QStringLiteral("Piste %1").arg(track->Number);
        lines << QStringLiteral("#EXTINF:%1,%2")
                     .arg(seconds)
                     .arg(Session.Artist.isEmpty() ? title : Session.Artist + QStringLiteral(" - ") + title)
              << track->File;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray CueSheetBytes(const QString &Text)
{
    const bool latin1 = std::all_of(Text.cbegin(), Text.cend(), [](QChar c) { return c.unicode() < 0x100; });
    return latin1 ? Text.toLatin1() : Text.toUtf8();
}
