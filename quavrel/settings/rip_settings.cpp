#include "quavrel/settings/rip_settings.h"

#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/settings/drive_offsets.h"
#include "quavrel/settings/registry.h"
#include "quavrel/settings/settings_table.h"

#include <QDir>
#include <QStandardPaths>

namespace {

int ItemNumber(const QStringList &items, int index, int otherwise)
{
    return index >= 0 && index < items.size() ? items.at(index).toInt() : otherwise;
}

// A stored index outside the box's items leaves the default, as the window does.
StoredSetting IndexSetting(const QString &name, int &index, const QStringList &items)
{
    return IntegerSetting(
        name, [&index] { return index; },
        [&index, &items](int stored) {
            if (stored >= 0 && stored < items.size())
                index = stored;
        });
}

StoredSetting Flag(const QString &name, bool &flag)
{
    return FlagSetting(
        name, [&flag] { return flag; }, [&flag](bool ticked) { flag = ticked; });
}

StoredSetting Text(const QString &name, QString &text)
{
    return TextSetting(
        name, [&text] { return text; }, [&text](const QString &stored) { text = stored; });
}

const QStringList kFormats{QStringLiteral("Ogg"), QStringLiteral("Mp3"), QStringLiteral("Wav"),
                           QStringLiteral("Flac"), QStringLiteral("Opus")};
// "Compression" 0..8, stored as the item index, which is the level.
const QStringList kSources{"CDDB", "MusicBrainz", "CDDB, puis MusicBrainz"};
const QStringList kFlacLevels{"0", "1", "2", "3", "4", "5", "6", "7", "8"};

} // namespace

const QStringList &OggQualityItems()
{
    static const QStringList items{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                   QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                                   QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                                   QStringLiteral("9"), QStringLiteral("10")};
    return items;
}

const QStringList &SampleRateItems()
{
    static const QStringList items{QStringLiteral("44100"), QStringLiteral("32000"), QStringLiteral("22050")};
    return items;
}

const QStringList &BitrateItems()
{
    static const QStringList items{QStringLiteral("96"),  QStringLiteral("128"), QStringLiteral("160"),
                                   QStringLiteral("192"), QStringLiteral("256"), QStringLiteral("320")};
    return items;
}

const QStringList &MaxBitrateItems()
{
    static const QStringList items{QStringLiteral("320"), QStringLiteral("256"), QStringLiteral("192"),
                                   QStringLiteral("160"), QStringLiteral("128"), QStringLiteral("96")};
    return items;
}

const QStringList &OpusBitrateItems()
{
    static const QStringList items{QStringLiteral("64"),  QStringLiteral("96"),  QStringLiteral("128"),
                                   QStringLiteral("160"), QStringLiteral("192"), QStringLiteral("256")};
    return items;
}

const QStringList &CoverItems()
{
    static const QStringList items{QStringLiteral("aucune"), QStringLiteral("fichier"),
                                   QStringLiteral("intégrée"), QStringLiteral("les deux")};
    return items;
}

QString DefaultCoverArtServer()
{
    const QString configured = qEnvironmentVariable("QUAVREL_COVERART_SERVER");
    return configured.isEmpty() ? QStringLiteral("https://coverartarchive.org") : configured;
}

int RipSettings::OpusBitrate() const
{
    return ItemNumber(OpusBitrateItems(), OpusBitrateIndex, 160);
}

int RipSettings::OggQuality() const
{
    return ItemNumber(OggQualityItems(), OggQualityIndex, 5);
}

int RipSettings::SampleRate() const
{
    return ItemNumber(SampleRateItems(), SampleRateIndex, 44100);
}

int RipSettings::Bitrate() const
{
    return ItemNumber(BitrateItems(), BitrateIndex, 128);
}

int RipSettings::MaxBitrate() const
{
    return ItemNumber(MaxBitrateItems(), MaxBitrateIndex, 320);
}

RipSettings ReadRipSettings(QString &Problem)
{
    Problem.clear();
    RipSettings settings;
    settings.AccurateRipServer = DefaultAccurateRipServer();
    settings.CoverArtServer = DefaultCoverArtServer();
    settings.OutputRoot =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QDir::separator();
    const std::vector<StoredSetting> table{
        Text(QStringLiteral("Répertoire"), settings.OutputRoot),
        Text(QStringLiteral("Nom de Serveur"), settings.Server),
        Text(QStringLiteral("Localisation du Serveur"), settings.CgiPath),
        IndexSetting(QStringLiteral("Encodeur"), settings.Format, kFormats),
        IndexSetting(QStringLiteral("Paramètres Ogg"), settings.OggQualityIndex, OggQualityItems()),
        IndexSetting(QStringLiteral("Paramètres Flac"), settings.FlacCompression, kFlacLevels),
        IndexSetting(QStringLiteral("Source des informations"), settings.Source, kSources),
        Text(QStringLiteral("Serveur MusicBrainz"), settings.MusicBrainzServer),
        Text(QStringLiteral("Serveur AccurateRip"), settings.AccurateRipServer),
        TextSetting(
            QStringLiteral("Décalages de lecture"),
            [&settings] { return DriveOffsetsText(settings.ReadOffsets); },
            [&settings](const QString &stored) { settings.ReadOffsets = ParseDriveOffsets(stored); }),
        TextSetting(
            QStringLiteral("Cache audio des lecteurs"),
            [&settings] { return DriveCachesText(settings.DriveCaches); },
            [&settings](const QString &stored) { settings.DriveCaches = ParseDriveCaches(stored); }),
        IndexSetting(QStringLiteral("Fréquence Mp3"), settings.SampleRateIndex, SampleRateItems()),
        IndexSetting(QStringLiteral("Débit Mp3"), settings.BitrateIndex, BitrateItems()),
        IndexSetting(QStringLiteral("Débit Max Mp3"), settings.MaxBitrateIndex, MaxBitrateItems()),
        Flag(QStringLiteral("VBR Mp3"), settings.Vbr),
        Flag(QStringLiteral("Copyright Mp3"), settings.Copyright),
        Flag(QStringLiteral("Original Mp3"), settings.Original),
        Flag(QStringLiteral("CRC Mp3"), settings.Crc),
        Flag(QStringLiteral("Numéro de Piste"), settings.WithNumber),
        Flag(QStringLiteral("Nom de Piste"), settings.WithName),
        Flag(QStringLiteral("Nom des Répertoires"), settings.ByArtist),
        Flag(QStringLiteral("Textes en UTF-8"), settings.Utf8Texts),
        IndexSetting(QStringLiteral("Paramètres Opus"), settings.OpusBitrateIndex, OpusBitrateItems()),
        IndexSetting(QStringLiteral("Pochette"), settings.Cover, CoverItems()),
        Flag(QStringLiteral("ReplayGain"), settings.ReplayGain),
        Text(QStringLiteral("Serveur Cover Art Archive"), settings.CoverArtServer),
        BoundedSetting(QStringLiteral("Encodeurs en parallèle"), settings.Workers, 0, kMaxWorkers),
        Flag(QStringLiteral("Lecture sûre"), settings.Secure),
        BoundedSetting(QStringLiteral("Relectures"), settings.SecureTries, 1, kMaxSecureTries),
        BoundedSetting(QStringLiteral("Lectures identiques"), settings.SecureMatches, kMinSecureMatches,
                       kMaxSecureMatches),
    };
    {
        TRegistry registry;
        if (registry.OpenKey(QStringLiteral("Software"), false) &&
            registry.OpenKey(QStringLiteral("Quavrel"), false)) {
            const auto rejected =
                LoadSettings(table, [&registry](const QString &name) { return registry.ReadString(name); });
            QStringList lines;
            for (const auto &[name, text] : rejected)
                lines << QStringLiteral(
                             "« %1 » = « %2 » n'est pas un nombre entier valide, la valeur par défaut "
                             "s'applique.")
                             .arg(name, text);
            Problem = lines.join(QLatin1Char('\n'));
        } else if (!registry.SetAsideFile().isEmpty()) {
            Problem = QStringLiteral(
                          "Le fichier des paramètres est illisible : il est conservé sous le nom %1 et les "
                          "paramètres par défaut s'appliquent.")
                          .arg(registry.SetAsideFile());
        } else if (!registry.ErrorString().isEmpty()) {
            Problem =
                QStringLiteral("Le fichier des paramètres %1 n'a pas pu être lu (%2) : les paramètres par "
                               "défaut s'appliquent.")
                    .arg(TRegistry::FileOfKey(QStringLiteral("Software\\Quavrel")), registry.ErrorString());
        }
    }
    if (settings.Server.isEmpty())
        settings.Server = kDefaultCddbServer;
    if (settings.CgiPath.isEmpty())
        settings.CgiPath = kDefaultCgiPath;
    return settings;
}

bool StoreDriveCache(const QString &Drive, const QString &Word, QString &Problem)
{
    const QString name = QStringLiteral("Cache audio des lecteurs");
    TRegistry registry;
    bool stored = registry.OpenKey(QStringLiteral("Software"), false) &&
                  registry.OpenKey(QStringLiteral("Quavrel"), true);
    if (stored) {
        QMap<QString, QString> caches = ParseDriveCaches(registry.ReadString(name));
        caches.insert(Drive, Word);
        stored = registry.WriteString(name, DriveCachesText(caches)) && registry.CloseKey();
    }
    if (!stored)
        Problem = QStringLiteral("Le cache du lecteur n'a pas pu être enregistré (%1).")
                      .arg(registry.ErrorString());
    return stored;
}
