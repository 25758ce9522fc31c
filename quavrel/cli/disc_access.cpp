#include "quavrel/cli/disc_access.h"

#include "platform/drives/drive_catalogue.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/disc/ostrelle_toc.h"
#include "quavrel/engine/bindings/cd_info_disc.h"

namespace {

QString NoDriveText(int drive, int count)
{
    return count == 0
               ? QStringLiteral("Aucun lecteur de CD-ROM n'est disponible.")
               : QStringLiteral("Le lecteur %1 n'existe pas (lecteurs 0 à %2).").arg(drive).arg(count - 1);
}

// A disc image that cannot be used says why, as the window does: no disc is not the reason.
QString NoDiscText(int drive)
{
    const std::string problem = drives::MediumProblem(static_cast<size_t>(drive));
    if (!problem.empty())
        return QStringLiteral("Image de disque inutilisable dans le lecteur %1, %2")
            .arg(drive)
            .arg(QString::fromStdString(problem));
    return QStringLiteral("Pas de CD dans le lecteur %1 !").arg(drive);
}

} // namespace

int ReadDiscToc(int Drive, Disc &Disc, QString &Error)
{
    TCdDriveList list{};
    GetCdRomDrives(&list);
    if (Drive < 0 || Drive >= list.Count) {
        Error = NoDriveText(Drive, list.Count);
        return kExitNoDisc;
    }
    TCdToc toc{};
    std::optional<::Disc> read;
    if (!ReadCdTOC(&list.Drives[Drive], &toc))
        read = DiscOfToc(toc);
    if (!read) {
        Error = NoDiscText(Drive);
        return kExitNoDisc;
    }
    Disc = *read;
    return kExitDone;
}

int ReadRipDisc(int Drive, Disc &Disc, QString &Error)
{
    if (!CDRipReady()) {
        Error = QStringLiteral("CDRip3.DLL non prête.");
        return kExitNoDisc;
    }
    const int count = cdrip3::CR_GetNumCDROM();
    if (Drive < 0 || Drive >= count) {
        Error = NoDriveText(Drive, count);
        return kExitNoDisc;
    }
    SelectDrive(Drive);
    TCdInfo info;
    std::optional<::Disc> read;
    if (cdrip3::CR_IsMediaLoaded() && ReadCdInfo(info) == kCdInfoRead)
        read = DiscOf(info);
    if (!read) {
        Error = NoDiscText(Drive);
        return kExitNoDisc;
    }
    if (read->AudioTracks().empty()) {
        Error = QStringLiteral("Le disque du lecteur %1 n'a pas de piste audio.").arg(Drive);
        return kExitNoDisc;
    }
    Disc = *read;
    return kExitDone;
}

void AddDiscContents(int Drive, Disc &Disc)
{
    if (!CDRipReady() || Drive < 0 || Drive >= cdrip3::CR_GetNumCDROM())
        return;
    SelectDrive(Drive);
    TCdInfo info;
    if (!cdrip3::CR_IsMediaLoaded() || ReadCdInfo(info) != kCdInfoRead)
        return;
    if (const std::optional<::Disc> read = DiscOf(info); read && read->SameTable(Disc))
        Disc.SetContents(read->Tracks(), read->Catalog(), read->CdText());
}
