// quavrel-cli rip: the disc's tracks to files, named and placed like the window's, through the
// rip pipeline, with progress and a summary.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/disc_access.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/cli/lookup_setup.h"
#include "quavrel/cli/name_sources.h"
#include "quavrel/cli/rip_progress.h"
#include "quavrel/engine/formats/rip_formats.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/naming/output_names.h"

#include <algorithm>

#include <QDir>

namespace {

const char kHelp[] =
    "Usage : quavrel-cli rip [-d N] [-t 1,3-5] [-f FORMAT] [-o DOSSIER] [--no-lookup] [--choose K]\n"
    "                        [--server S] [-q QUALITÉ] [-b DÉBIT] [--vbr] [--eject]\n"
    "Rippe les pistes du disque, un fichier par piste, nommés comme dans la fenêtre.\n"
    "  -d, --drive N       le lecteur N (0 par défaut)\n"
    "  -t, --tracks LISTE  les pistes à ripper (toutes les pistes audio par défaut)\n"
    "  -f, --format F      %1 (par défaut l'encodeur des paramètres)\n"
    "  -o, --output D      le dossier de sortie (par défaut le répertoire des paramètres)\n"
    "  --no-lookup         sans recherche CDDB : les pistes restent sans nom\n"
    "  --choose K          la K-ième correspondance CDDB quand il y en a plusieurs\n"
    "  --server S          ce serveur CDDB plutôt que celui des paramètres\n"
    "  --source S          cddb, musicbrainz ou both : d'où viennent les noms (les paramètres)\n"
    "  -q, --quality Q     qualité Ogg, 0 à 10\n"
    "  -b, --bitrate B     débit MP3 en kbit/s (%2)\n"
    "  --vbr               MP3 à débit variable\n"
    "  --eject             éjecter le disque à la fin\n"
    "Les options valent pour cette fois et ne sont pas enregistrées.\n"
    "Code de sortie : 0 tout est rippé, 1 des pistes ont échoué, 2 mauvais usage, 3 pas de lecteur\n"
    "ou pas de disque, 130 annulé (Ctrl-C).\n";

struct TrackResult {
    int Track = 0;
    QString File;
    QString Result;
    bool Failed = false;
};

QString ResultText(const RipReport &report)
{
    switch (report.Outcome) {
    case RipOutcome::Done:
        if (report.DamagedChunks > 0)
            return QStringLiteral("terminé, %1 secteur(s) réparé(s) (liste dans %2)")
                .arg(report.DamagedSectors)
                .arg(report.JitterFile);
        return QStringLiteral("terminé");
    case RipOutcome::Cancelled:
        return QStringLiteral("annulé");
    case RipOutcome::Failed:
        break;
    }
    return QStringLiteral("échec : ") + report.Error;
}

void PrintSummary(const std::vector<TrackResult> &results)
{
    const QStringList heads{QStringLiteral("Piste"), QStringLiteral("Fichier"), QStringLiteral("Taille"),
                            QStringLiteral("Résultat")};
    std::vector<QStringList> rows;
    for (const TrackResult &result : results)
        rows.push_back({QString::number(result.Track),
                        result.File.isEmpty() ? QStringLiteral("-") : result.File,
                        result.File.isEmpty() || FileSizeOf(result.File) < 0 ? QStringLiteral("-")
                                                                             : SizeText(result.File),
                        result.Result});
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

// The options, read over the stored settings; kExitDone or kExitUsage.
struct RipRequest {
    int Drive = 0;
    std::vector<int> Tracks; // empty: every audio track
    const RipFormat *Format = nullptr;
    RipSettings Settings;
    EncoderChoice Encoder;
    CddbServerTexts Server;
    bool Lookup = true;
    int Choice = 0;
    NameSource Source = NameSource::Both;
    bool Eject = false;
};

bool ReadRequest(const CliArguments &options, RipRequest &request, QString &error)
{
    const auto has = [&options](const char *key) { return options.Has(QString::fromLatin1(key)); };
    const auto value = [&options](const char *key) { return options.Value(QString::fromLatin1(key)); };
    if (has("-d") && !ParseNumber(QStringLiteral("-d"), value("-d"), 0, 99, request.Drive, error))
        return false;
    if (has("-t") && !ParseTrackList(value("-t"), request.Tracks, error))
        return false;
    if (has("--source")) {
        const std::optional<NameSource> given = ParseNameSource(value("--source"));
        if (!given) {
            error =
                QStringLiteral("--source attend cddb, musicbrainz ou both : « %1 »").arg(value("--source"));
            return false;
        }
        request.Source = *given;
    }
    if (has("--choose") &&
        !ParseNumber(QStringLiteral("--choose"), value("--choose"), 1, 9999, request.Choice, error))
        return false;
    RipSettings &settings = request.Settings;
    request.Format = has("-f") ? FindRipFormat(value("-f")) : RipFormatOfSettings(settings.Format);
    if (!request.Format) {
        if (has("-f")) {
            error = QStringLiteral("format inconnu : « %1 » (formats : %2)")
                        .arg(value("-f"), RipFormatNames().join(QStringLiteral(", ")));
            return false;
        }
        request.Format = &RipFormats().front();
    }
    if (has("-o"))
        settings.OutputRoot = value("-o");
    int quality = settings.OggQuality();
    if (has("-q") && !ParseNumber(QStringLiteral("-q"), value("-q"), 0, 10, quality, error))
        return false;
    int bitrate = settings.Bitrate();
    if (has("-b")) {
        if (!BitrateItems().contains(value("-b"))) {
            error = QStringLiteral("-b attend un débit parmi %1 : « %2 »")
                        .arg(BitrateItems().join(QStringLiteral(", ")), value("-b"));
            return false;
        }
        bitrate = value("-b").toInt();
    }
    request.Encoder = {quality,
                       settings.SampleRate(),
                       bitrate,
                       settings.MaxBitrate(),
                       settings.Vbr || has("--vbr"),
                       settings.Copyright,
                       settings.Original,
                       settings.Crc,
                       settings.FlacCompression};
    request.Lookup = !has("--no-lookup");
    request.Eject = has("--eject");
    return ChooseServer(settings, has("--server") ? value("--server") : QString(), request.Server, error);
}

// The window's drive parameters for a rip: jitter correction on, the paranoia mode it uses.
void PrepareDrive()
{
    cdrip3::CR_StopPlayTrack();
    TCDRomParams params{};
    if (cdrip3::CR_GetCDROMParameters(&params) == CDRIP_OK) {
        params.JitterCorrection = -1;
        params.UseParanoiaMode = 1;
        params.ParanoiaMode = 0xDF;
        cdrip3::CR_SetCDROMParameters(&params);
    }
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
                                       {{QStringLiteral("--eject")}}},
                                      error);
    if (!parsed)
        return UsageError(QStringLiteral("rip"), error);
    if (options.Has(QStringLiteral("--help"))) {
        Write(stdout, QString::fromUtf8(kHelp).arg(RipFormatNames().join(QStringLiteral(", ")),
                                                   BitrateItems().join(QStringLiteral(", "))));
        return kExitDone;
    }
    RipRequest request;
    QString problem;
    request.Settings = ReadRipSettings(problem);
    request.Source = static_cast<NameSource>(request.Settings.Source);
    if (!problem.isEmpty())
        PrintError(problem);
    if (!ReadRequest(options, request, error))
        return UsageError(QStringLiteral("rip"), error);

    TCdInfo info;
    if (const int status = ReadRipDisc(request.Drive, info, error); status != kExitDone) {
        PrintError(error);
        return status;
    }
    std::vector<int> tracks = request.Tracks;
    for (int track : tracks)
        if (track > info.TrackCount)
            return UsageError(QStringLiteral("rip"),
                              QStringLiteral("la piste %1 n'existe pas (le disque a %2 pistes)")
                                  .arg(track)
                                  .arg(info.TrackCount));
    if (tracks.empty())
        for (int track = 1; track <= info.TrackCount; ++track)
            if (info.Slot(track).IsAudio == 1)
                tracks.push_back(track);

    DiscLookup lookup;
    if (request.Lookup) {
        TCdToc toc{};
        if (ReadDiscToc(request.Drive, toc, error) == kExitDone) {
            lookup = LookUpNames(toc, request.Server, request.Settings.Utf8Texts, request.Choice,
                                 TerminalChooser(), request.Source, QUrl(request.Settings.MusicBrainzServer),
                                 Watch);
        } else {
            lookup.Message = error;
        }
        if (InterruptWatch::Interrupted()) {
            PrintError(QStringLiteral("Rippage abandonné avant la première piste."));
            return kExitCancelled;
        }
        if (lookup.Outcome == DiscLookup::Status::BadChoice)
            return UsageError(QStringLiteral("rip"), lookup.Message);
        if (lookup.Outcome == DiscLookup::Status::Found)
            PrintError(QStringLiteral("%1 / %2").arg(lookup.Artist, lookup.Album));
        else
            PrintError(QStringLiteral("Avertissement : %1 Les pistes restent sans nom.").arg(lookup.Message));
    }

    const RipSettings &settings = request.Settings;
    const QString directory =
        OutputDirectoryFor(settings.OutputRoot, settings.ByArtist, lookup.Artist, lookup.Album);
    // A folder that cannot be made shows up as files that cannot be written, each named.
    QDir().mkpath(directory);
    PrepareDrive();

    RuntimeRipSource source;
    RipProgress progress(static_cast<int>(tracks.size()), IsTerminal(stderr));
    UniqueNames names;
    std::vector<TrackResult> results;
    bool cancelled = false;
    for (size_t position = 0; position < tracks.size(); ++position) {
        const int track = tracks[position];
        TrackResult result{track, {}, {}, true};
        if (cancelled || InterruptWatch::Interrupted()) {
            cancelled = true;
            result.Failed = false;
            result.Result = QStringLiteral("non rippé (annulé)");
            results.push_back(result);
            continue;
        }
        const TCdTrackSlot &slot = info.Slot(track);
        const QString title = track <= lookup.Titles.size() ? lookup.Titles.at(track - 1) : QString();
        const TrackLabel label{track, info.TrackCount, lookup.Artist, lookup.Album, title, lookup.DiscId};
        std::unique_ptr<AudioSink> sink;
        if (slot.IsAudio != 1)
            error = QStringLiteral("Piste non audio - Piste %1").arg(track);
        else
            sink = request.Format->MakeSink(request.Encoder, label, error);
        if (!sink) {
            result.Result = QStringLiteral("échec : ") + error;
            results.push_back(result);
            continue;
        }
        const QString base = OutputBaseNameFor(track, title.isEmpty() ? QStringLiteral("?") : title,
                                               settings.WithNumber, settings.WithName);
        result.File = directory + QDir::separator() + names.Claim(base) + sink->Extension();

        RipPipeline pipeline(source);
        Watch.SetAction([&pipeline] { pipeline.Cancel(); });
        progress.BeginTrack(static_cast<int>(position), track, result.File);
        RipCallbacks callbacks;
        callbacks.Progress = [&progress](int32_t percent) { progress.Percent(percent); };
        const RipReport report = pipeline.Rip(slot.StartSector, slot.StartSector + slot.LengthSectors - 1,
                                              *sink, result.File, callbacks, QStringLiteral(".jitt"));
        Watch.SetAction({});
        result.Result = ResultText(report);
        result.Failed = report.Outcome == RipOutcome::Failed;
        cancelled = report.Outcome == RipOutcome::Cancelled;
        progress.EndTrack(result.Result);
        results.push_back(result);
    }
    cdrip3::CR_LockCD(0);
    if (request.Eject)
        cdrip3::CR_EjectCD(1);
    PrintSummary(results);
    if (cancelled)
        return kExitCancelled;
    return std::any_of(results.begin(), results.end(), [](const TrackResult &r) { return r.Failed; })
               ? kExitSomeFailed
               : kExitDone;
}
