// quavrel-cli rip: the rip command of the window from a terminal: the same files, names, tags,
// verification and reports, with progress on standard error and a summary.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/disc_access.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/cli/lookup_setup.h"
#include "quavrel/cli/rip_progress.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/rip/disc_rip.h"
#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"
#include "quavrel/naming/output_names.h"
#include "quavrel/network/accuraterip_fetch.h"
#include "quavrel/network/cover_art_fetch.h"
#include "quavrel/settings/drive_offsets.h"

#include <algorithm>

namespace {

const char kHelp[] =
    "Usage : quavrel-cli rip [-d N] [-t 1,3-5] [-f FORMAT] [-o DOSSIER] [--no-lookup] [--choose K]\n"
    "                        [--server S] [--source S] [-q QUALITÉ] [-b DÉBIT] [--vbr] [--offset N]\n"
    "                        [--eject] [--cover C] [-j N]\n"
    "Rippe les pistes du disque, un fichier par piste, nommés, étiquetés et vérifiés comme dans la\n"
    "fenêtre, avec le journal, la feuille de montage (.cue) et la liste de lecture (.m3u) du disque.\n"
    "  -d, --drive N       le lecteur N (0 par défaut)\n"
    "  -t, --tracks LISTE  les pistes à ripper (toutes les pistes audio par défaut ; 0 : la piste\n"
    "                      cachée avant la piste 1, quand le disque en a une)\n"
    "  -f, --format F      %1 (par défaut l'encodeur des paramètres)\n"
    "  -o, --output D      le dossier de sortie (par défaut le répertoire des paramètres)\n"
    "  --no-lookup         sans recherche des noms : les pistes restent sans nom\n"
    "  --choose K          la K-ième correspondance quand il y en a plusieurs\n"
    "  --server S          ce serveur CDDB plutôt que celui des paramètres\n"
    "  --source S          cddb, musicbrainz ou both : d'où viennent les noms (les paramètres)\n"
    "  -q, --quality Q     qualité Ogg, 0 à 10\n"
    "  -b, --bitrate B     débit MP3 en kbit/s (%2), ou Opus (%3)\n"
    "  --vbr               MP3 à débit variable\n"
    "  --offset N          le décalage de lecture du lecteur, en échantillons (celui des paramètres)\n"
    "  --eject             éjecter le disque à la fin\n"
    "  --cover C           none, file, embed ou both : la pochette de la parution MusicBrainz,\n"
    "                      aucune, dans cover.jpg, intégrée aux fichiers, ou les deux\n"
    "  -j, --jobs N        N pistes encodées à la fois pendant que le lecteur lit les suivantes\n"
    "                      (par défaut une par cœur)\n"
    "  --secure            lecture sûre : chaque piste lue deux fois, les zones qui diffèrent relues\n"
    "                      jusqu'à l'accord (par défaut selon les paramètres)\n"
    "Les options valent pour cette fois et ne sont pas enregistrées.\n"
    "Une piste dont des secteurs n'ont pas pu être lus est écrite dans « NOM (endommagé).ext » : le\n"
    "fichier NOM.ext ne contient jamais qu'un audio complet.\n"
    "En lecture sûre, une piste dont des secteurs n'ont jamais été lus deux fois à l'identique est\n"
    "une « copie non sûre » et va de même dans « NOM (endommagé).ext ».\n"
    "Code de sortie : 0 tout est rippé, 1 des pistes ont échoué, sont endommagées ou sont des copies\n"
    "non sûres, 2 mauvais usage, 3 pas de lecteur ou pas de disque, 5 tout est rippé mais des pistes\n"
    "diffèrent de la base AccurateRip, 130 annulé (Ctrl-C, SIGTERM, SIGHUP).\n";

void PrintSummary(const std::vector<TrackRip> &rips)
{
    const QStringList heads{QStringLiteral("Piste"), QStringLiteral("Fichier"), QStringLiteral("Taille"),
                            QStringLiteral("AccurateRip"), QStringLiteral("Résultat")};
    std::vector<QStringList> rows;
    for (const TrackRip &rip : rips)
        rows.push_back({QString::number(rip.Track), rip.File.isEmpty() ? QStringLiteral("-") : rip.File,
                        // Only a file this rip wrote has a size worth showing.
                        rip.Written() ? SizeText(rip.File) : QStringLiteral("-"),
                        rip.Done() ? ShortVerdictText(rip) : QStringLiteral("-"), TrackResultText(rip)});
    std::vector<qsizetype> widths;
    for (const QString &head : heads)
        widths.push_back(head.size());
    for (const QStringList &row : rows)
        for (size_t i = 0; i < widths.size(); ++i)
            widths[i] = std::max(widths[i], row.at(static_cast<qsizetype>(i)).size());
    const auto line = [&widths](const QStringList &cells) {
        QString text;
        for (size_t i = 0; i < widths.size(); ++i) {
            const QString &cell = cells.at(static_cast<qsizetype>(i));
            text += i + 1 < widths.size() ? cell.leftJustified(widths[i] + 2) : cell;
        }
        return text;
    };
    Print(line(heads));
    for (const QStringList &row : rows)
        Print(line(row));
}

// The options, read over the stored settings.
struct RipOptions {
    int Drive = 0;
    std::vector<int> Tracks; // empty: every audio track
    RipSettings Settings;
    const RipFormat *Format = nullptr;
    EncoderChoice Encoder;
    CddbServerTexts Server;
    bool Lookup = true;
    int Choice = 0;
    NameSource Source = NameSource::Both;
    bool HasOffset = false;
    int Offset = 0;
    bool Eject = false;
    CoverChoice Cover = CoverChoice::None;
    int Workers = 0;
    bool Secure = false;
};

bool ReadOptions(const CliArguments &options, RipOptions &rip, QString &error)
{
    const auto has = [&options](const char *key) { return options.Has(QString::fromLatin1(key)); };
    const auto value = [&options](const char *key) { return options.Value(QString::fromLatin1(key)); };
    if (has("-d") && !ParseNumber(QStringLiteral("-d"), value("-d"), 0, 99, rip.Drive, error))
        return false;
    if (has("-t") && !ParseTrackList(value("-t"), rip.Tracks, error))
        return false;
    if (has("--source")) {
        const std::optional<NameSource> given = ParseNameSource(value("--source"));
        if (!given) {
            error =
                QStringLiteral("--source attend cddb, musicbrainz ou both : « %1 »").arg(value("--source"));
            return false;
        }
        rip.Source = *given;
    }
    if (has("--choose") &&
        !ParseNumber(QStringLiteral("--choose"), value("--choose"), 1, 9999, rip.Choice, error))
        return false;
    if (has("--offset")) {
        if (!ParseNumber(QStringLiteral("--offset"), value("--offset"), -kMaxReadOffset, kMaxReadOffset,
                         rip.Offset, error))
            return false;
        rip.HasOffset = true;
    }
    RipSettings &settings = rip.Settings;
    rip.Workers = settings.Workers;
    rip.Secure = settings.Secure || has("--secure");
    if (has("-j") && !ParseNumber(QStringLiteral("--jobs"), value("-j"), 1, kMaxWorkers, rip.Workers, error))
        return false;
    rip.Format = has("-f") ? FindRipFormat(value("-f")) : RipFormatOfSettings(settings.Format);
    if (!rip.Format) {
        if (has("-f")) {
            error = QStringLiteral("format inconnu : « %1 » (formats : %2)")
                        .arg(value("-f"), RipFormatNames().join(QStringLiteral(", ")));
            return false;
        }
        rip.Format = &RipFormats().front();
    }
    if (has("-o")) {
        if (value("-o").trimmed().isEmpty()) {
            error = QStringLiteral("-o attend un dossier");
            return false;
        }
        settings.OutputRoot = value("-o");
    }
    int quality = settings.OggQuality();
    if (has("-q") && !ParseNumber(QStringLiteral("-q"), value("-q"), 0, 10, quality, error))
        return false;
    int bitrate = settings.Bitrate();
    int opusBitrate = settings.OpusBitrate();
    const bool opus = rip.Format->Name == QLatin1String("opus");
    if (has("-b")) {
        const QStringList &items = opus ? OpusBitrateItems() : BitrateItems();
        if (!items.contains(value("-b"))) {
            error = QStringLiteral("-b attend un débit parmi %1 : « %2 »")
                        .arg(items.join(QStringLiteral(", ")), value("-b"));
            return false;
        }
        (opus ? opusBitrate : bitrate) = value("-b").toInt();
    }
    rip.Cover = static_cast<CoverChoice>(settings.Cover);
    if (has("--cover")) {
        const QStringList names{QStringLiteral("none"), QStringLiteral("file"), QStringLiteral("embed"),
                                QStringLiteral("both")};
        const qsizetype index = names.indexOf(value("--cover").toLower());
        if (index < 0) {
            error = QStringLiteral("--cover attend none, file, embed ou both : « %1 »").arg(value("--cover"));
            return false;
        }
        rip.Cover = static_cast<CoverChoice>(index);
    }
    rip.Encoder = {quality,
                   settings.SampleRate(),
                   bitrate,
                   settings.MaxBitrate(),
                   settings.Vbr || has("--vbr"),
                   settings.Copyright,
                   settings.Original,
                   settings.Crc,
                   settings.FlacCompression,
                   opusBitrate};
    rip.Lookup = !has("--no-lookup");
    rip.Eject = has("--eject");
    return ChooseServer(settings, has("--server") ? value("--server") : QString(), rip.Server, error);
}

// The names of the files: the lookup's, or none. False when the rip must not go on (Ctrl-C, a
// choice that is not one); Exit then says how the program ends.
bool LookUpMetadata(const Disc &disc, const RipOptions &rip, InterruptWatch &watch, DiscMetadata &metadata,
                    int &exit)
{
    metadata.CddbDiscId = disc.CddbIdText();
    if (!rip.Lookup)
        return true;
    const LookupResult lookup = LookUpNames(disc, rip.Settings, rip.Server, rip.Source, rip.Choice, watch);
    if (InterruptWatch::Interrupted()) {
        PrintError(QStringLiteral("Rippage abandonné avant la première piste."));
        exit = kExitCancelled;
        return false;
    }
    if (lookup.Status == LookupStatus::BadChoice) {
        exit = UsageError(QStringLiteral("rip"), lookup.Message);
        return false;
    }
    if (lookup.Status == LookupStatus::Found) {
        metadata = lookup.Metadata;
        PrintError(QStringLiteral("%1 / %2").arg(metadata.Artist, metadata.Album));
    } else {
        PrintError(QStringLiteral("Avertissement : %1\nLes pistes restent sans nom.").arg(lookup.Message));
    }
    return true;
}

// kExitCancelled, kExitSomeFailed (failed or damaged tracks), kExitNotAccurate (every track ripped, some
// differ from the database), or kExitDone.
int CommandExitCode(const std::vector<TrackRip> &rips)
{
    const auto any = [&rips](auto test) { return std::any_of(rips.begin(), rips.end(), test); };
    if (any([](const TrackRip &r) { return r.Report.Outcome == RipOutcome::Cancelled; }))
        return kExitCancelled;
    // Lost audio is no success, even with a file to show for it.
    if (any([](const TrackRip &r) { return r.Report.Outcome == RipOutcome::Failed || r.Damaged(); }))
        return kExitSomeFailed;
    if (any([](const TrackRip &r) {
            return r.Checksummed && r.Verdict.Result == AccurateRipResult::Mismatch;
        }))
        return kExitNotAccurate;
    return kExitDone;
}

} // namespace

int RunRip(const QStringList &Arguments, InterruptWatch &Watch)
{
    CliArguments options;
    QString error;
    const bool parsed = options.Parse(Arguments,
                                      {{{QStringLiteral("--help"), QStringLiteral("-h")}},
                                       {{QStringLiteral("-d"), QStringLiteral("--drive")}, true},
                                       {{QStringLiteral("-t"), QStringLiteral("--tracks")}, true},
                                       {{QStringLiteral("-f"), QStringLiteral("--format")}, true},
                                       {{QStringLiteral("-o"), QStringLiteral("--output")}, true},
                                       {{QStringLiteral("--no-lookup")}},
                                       {{QStringLiteral("--choose")}, true},
                                       {{QStringLiteral("--server")}, true},
                                       {{QStringLiteral("--source")}, true},
                                       {{QStringLiteral("-q"), QStringLiteral("--quality")}, true},
                                       {{QStringLiteral("-b"), QStringLiteral("--bitrate")}, true},
                                       {{QStringLiteral("--vbr")}},
                                       {{QStringLiteral("--offset")}, true},
                                       {{QStringLiteral("--eject")}},
                                       {{QStringLiteral("--cover")}, true},
                                       {{QStringLiteral("-j"), QStringLiteral("--jobs")}, true},
                                       {{QStringLiteral("--secure")}}},
                                      error);
    if (!parsed)
        return UsageError(QStringLiteral("rip"), error);
    if (options.Has(QStringLiteral("--help"))) {
        Write(stdout, QString::fromUtf8(kHelp).arg(RipFormatNames().join(QStringLiteral(", ")),
                                                   BitrateItems().join(QStringLiteral(", ")),
                                                   OpusBitrateItems().join(QStringLiteral(", "))));
        return kExitDone;
    }
    RipOptions rip;
    QString problem;
    rip.Settings = ReadRipSettings(problem);
    rip.Source = static_cast<NameSource>(rip.Settings.Source);
    if (!problem.isEmpty())
        PrintError(problem);
    if (!ReadOptions(options, rip, error))
        return UsageError(QStringLiteral("rip"), error);

    Disc disc;
    if (const int status = ReadRipDisc(rip.Drive, disc, error); status != kExitDone) {
        PrintError(error);
        return status;
    }
    std::vector<int> tracks = rip.Tracks;
    for (int track : tracks) {
        if (track == 0 && !disc.HasHiddenTrack())
            return UsageError(QStringLiteral("rip"),
                              QStringLiteral("le disque n'a pas de piste cachée (piste 0)"));
        if (track != 0 && !disc.HasTrack(track))
            return UsageError(QStringLiteral("rip"),
                              QStringLiteral("la piste %1 n'existe pas (le disque a %2 pistes)")
                                  .arg(track)
                                  .arg(disc.TrackCount()));
    }
    if (tracks.empty())
        tracks = disc.AudioTracks();

    DiscMetadata metadata;
    int exit = kExitDone;
    if (!LookUpMetadata(disc, rip, Watch, metadata, exit))
        return exit;

    const QString drive = QString::fromLocal8Bit(cdrip3::CR_GetCDROMIDByIndex(rip.Drive));
    RipRequest request;
    request.Disc = disc;
    request.Metadata = metadata;
    request.Format = rip.Format;
    request.Encoder = rip.Encoder;
    request.OutputRoot = rip.Settings.OutputRoot;
    request.ByArtist = rip.Settings.ByArtist;
    request.Naming = {rip.Settings.WithNumber, rip.Settings.WithName};
    request.Drive = drive;
    request.ReadOffset = rip.HasOffset ? rip.Offset : rip.Settings.ReadOffsets.value(drive, 0);
    request.AccurateRipServer = rip.Settings.AccurateRipServer;
    request.Cover = rip.Cover;
    request.CoverArtServer = rip.Settings.CoverArtServer;
    request.ReplayGain = rip.Settings.ReplayGain;
    request.Program = QStringLiteral("quavrel-cli " QUAVREL_VERSION);
    request.Tracks = tracks;
    request.Workers = rip.Workers;
    if (rip.Secure) {
        request.Secure = {rip.Settings.SecureTries, rip.Settings.SecureMatches, kCacheEvictSectors};
        // What the window stored of the drive; else measured at the start of this rip.
        request.Secure.Cache = DriveCacheOfWord(rip.Settings.DriveCaches.value(drive).toStdString());
    }

    RuntimeRipSource source;
    AccurateRipService database;
    CoverArtService covers(MusicBrainzClient().UserAgent());
    DiscRip command(source, &database);
    command.SetCoverArtFetcher(&covers);
    RipError failure;
    if (!command.Begin(request, failure)) {
        PrintError(RipErrorText(failure));
        return kExitSomeFailed;
    }
    TCDRomParams parameters{};
    SetRipParameters(parameters);
    // As the window does: the tray stays shut while the disc is read.
    cdrip3::CR_LockCD(1);
    Watch.SetAction([&command] { command.Cancel(); });
    RipProgress progress(static_cast<int>(tracks.size()), IsTerminal(stderr));
    for (size_t position = 0; position < tracks.size(); ++position) {
        const int track = tracks[position];
        if (InterruptWatch::Interrupted())
            command.Cancel();
        progress.BeginTrack(static_cast<int>(position), track, command.FileOf(track));
        const TrackRip done =
            command.RipTrack(track, [&progress](int32_t percent) { progress.Percent(percent); });
        progress.EndTrack(TrackResultText(done));
    }
    Watch.SetAction({});
    cdrip3::CR_LockCD(0);
    for (const QString &problemText : command.Finish())
        PrintError(problemText);
    // What this rip measured of the drive spares the next ones the measure, the window's too.
    QString cacheProblem;
    if (request.Secure.Cache == DriveCache::Unknown && command.CacheFound() != DriveCache::Unknown &&
        !StoreDriveCache(drive, QString::fromLatin1(DriveCacheWord(command.CacheFound())), cacheProblem))
        PrintError(cacheProblem);
    if (!command.CoverNote().isEmpty())
        PrintError(command.CoverNote());
    if (rip.Eject)
        cdrip3::CR_EjectCD(1);
    PrintSummary(command.Results());
    return CommandExitCode(command.Results());
}
