#include "quavrel/cli/disc_access.h"

#include "quavrel/cli/exit_codes.h"

namespace {

QString NoDriveText(int drive, int count)
{
    return count == 0
               ? QStringLiteral("Aucun lecteur de CD-ROM n'est disponible.")
               : QStringLiteral("Le lecteur %1 n'existe pas (lecteurs 0 à %2).").arg(drive).arg(count - 1);
}

QString NoDiscText(int drive)
{
    return QStringLiteral("Pas de CD dans le lecteur %1 !").arg(drive);
}

} // namespace

int ReadDiscToc(int Drive, TCdToc &Toc, QString &Error)
{
    TCdDriveList list{};
    GetCdRomDrives(&list);
    if (Drive < 0 || Drive >= list.Count) {
        Error = NoDriveText(Drive, list.Count);
        return kExitNoDisc;
    }
    Toc = TCdToc{};
    if (ReadCdTOC(&list.Drives[Drive], &Toc) || Toc.Count == 0) {
        Error = NoDiscText(Drive);
        return kExitNoDisc;
    }
    return kExitDone;
}

int ReadRipDisc(int Drive, TCdInfo &Info, QString &Error)
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
    if (!cdrip3::CR_IsMediaLoaded() || ReadCdInfo(Info) != kCdInfoRead) {
        Error = NoDiscText(Drive);
        return kExitNoDisc;
    }
    if (Info.DiscType == 0) {
        Error = QStringLiteral("Le disque du lecteur %1 n'a pas de piste audio.").arg(Drive);
        return kExitNoDisc;
    }
    return kExitDone;
}

int32_t TocEntryLba(const TTocEntry &Entry)
{
    return (Entry.Minute * 60 + Entry.Second) * 75 + Entry.Frame - 150;
}

QString DiscIdText(const TCdToc &Toc)
{
    return QStringLiteral("%1").arg(CalcDiscID(&Toc), 8, 16, QLatin1Char('0'));
}
