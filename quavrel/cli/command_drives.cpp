// quavrel-cli drives: the drives of the catalogue, one a line, with the state of their medium.

#include "quavrel/cli/cli_arguments.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/engine/bindings/cd_access.h"

namespace {

const char kHelp[] = "Usage : quavrel-cli drives\n"
                     "Liste les lecteurs, un par ligne : numéro, description, état du disque.\n"
                     "Le numéro est celui que prend l'option -d des autres commandes.\n";

QString MediumState()
{
    if (!cdrip3::CR_IsMediaLoaded())
        return QStringLiteral("pas de disque");
    TCdInfo info;
    if (ReadCdInfo(info) != kCdInfoRead)
        return QStringLiteral("disque illisible");
    switch (info.DiscType) {
    case 0:
        return QStringLiteral("disque de données");
    case 1:
        return QStringLiteral("disque audio, %1 pistes").arg(info.TrackCount);
    default:
        return QStringLiteral("disque composite, %1 pistes").arg(info.TrackCount);
    }
}

} // namespace

int RunDrives(const QStringList &Arguments)
{
    CliArguments options;
    QString error;
    if (!options.Parse(Arguments, {{{QStringLiteral("--help"), QStringLiteral("-h")}}}, error))
        return UsageError(QStringLiteral("drives"), error);
    if (options.Has(QStringLiteral("--help"))) {
        Write(stdout, QString::fromUtf8(kHelp));
        return kExitDone;
    }
    if (!CDRipReady()) {
        PrintError(QStringLiteral("CDRip3.DLL non prête."));
        return kExitNoDisc;
    }
    const int count = cdrip3::CR_GetNumCDROM();
    if (count <= 0) {
        PrintError(QStringLiteral("Aucun lecteur de CD-ROM n'est disponible."));
        return kExitNoDisc;
    }
    for (int index = 0; index < count; ++index) {
        SelectDrive(index);
        Print(QStringLiteral("%1\t%2\t%3")
                  .arg(index)
                  .arg(QString::fromLocal8Bit(cdrip3::CR_GetCDROMIDByIndex(index)), MediumState()));
    }
    return kExitDone;
}
