// quavrel-cli: the ripper of the window from a terminal and from scripts, on the same engine,
// settings and drives.

#include "platform/winmsg/winmsg.h"
#include "quavrel/cli/commands.h"
#include "quavrel/cli/console.h"
#include "quavrel/cli/exit_codes.h"
#include "quavrel/cli/interrupt_watch.h"
#include "quavrel/engine/bindings/cd_access.h"

#include <exception>

#include <QCoreApplication>

namespace {

const char kUsage[] =
    "Usage : quavrel-cli COMMANDE [OPTIONS]\n"
    "Rippe des CD audio en Ogg Vorbis, MP3 ou WAV depuis un terminal, avec les paramètres de Quavrel.\n"
    "\n"
    "  drives    les lecteurs et l'état de leur disque\n"
    "  toc       les pistes du disque et son identifiant CDDB\n"
    "  lookup    l'artiste, l'album et les titres du disque sur le serveur CDDB\n"
    "  rip       ripper les pistes\n"
    "\n"
    "quavrel-cli COMMANDE --help décrit chaque commande ; voir aussi quavrel-cli(1).\n"
    "  --version   la version\n";

// The helpers are bound before the commands run and released after them.
struct CdAccessScope {
    CdAccessScope() { CdAccessStart(); }
    ~CdAccessScope() { CdAccessEnd(); }
    CdAccessScope(const CdAccessScope &) = delete;
    CdAccessScope &operator=(const CdAccessScope &) = delete;
};

} // namespace

int UsageError(const QString &Command, const QString &Error)
{
    PrintError(QStringLiteral("quavrel-cli %1 : %2").arg(Command, Error));
    PrintError(QStringLiteral("Voir quavrel-cli %1 --help.").arg(Command));
    return kExitUsage;
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quavrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUAVREL_VERSION));
    QStringList words = QCoreApplication::arguments().mid(1);
    const QString command = words.isEmpty() ? QString() : words.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        Write(stdout, QString::fromUtf8(kUsage));
        return kExitDone;
    }
    if (command == QLatin1String("--version")) {
        Print(QStringLiteral("quavrel-cli " QUAVREL_VERSION));
        return kExitDone;
    }
    const QStringList commands{QStringLiteral("drives"), QStringLiteral("toc"), QStringLiteral("lookup"),
                               QStringLiteral("rip")};
    if (!commands.contains(command)) {
        PrintError(command.isEmpty() ? QStringLiteral("quavrel-cli : une commande est attendue.")
                                     : QStringLiteral("quavrel-cli : commande inconnue : %1").arg(command));
        Write(stderr, QString::fromUtf8(kUsage));
        return kExitUsage;
    }

    // Ostrelle's waits keep the event loop, and so Ctrl-C, alive through this pump.
    winmsg::SetMessagePump([] { QCoreApplication::processEvents(); });
    int result = kExitDone;
    try {
        const CdAccessScope cdAccess;
        if (command == QLatin1String("drives"))
            result = RunDrives(words);
        else if (command == QLatin1String("toc"))
            result = RunToc(words);
        else {
            // Only the commands that wait (on the server, on the drive) turn Ctrl-C into a cancel.
            InterruptWatch interrupts;
            result =
                command == QLatin1String("lookup") ? RunLookup(words, interrupts) : RunRip(words, interrupts);
        }
    } catch (const std::exception &error) {
        // A component that cannot start ends the program with its message.
        PrintError(QStringLiteral("quavrel-cli : ") + QString::fromLocal8Bit(error.what()));
        result = kExitNoDisc;
    }
    winmsg::SetMessagePump({});
    return result;
}
