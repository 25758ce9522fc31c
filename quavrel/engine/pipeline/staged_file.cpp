#include "quavrel/engine/pipeline/staged_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

mode_t NewFileMode()
{
    // The umask can only be read by setting it; nothing else here creates files meanwhile.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

void RemoveLeftovers(const QString &FinalPath, const QDateTime &Before)
{
    const QFileInfo final(FinalPath);
    // Open's names: "." + the final name + "." + eight hexadecimal digits + ".part".
    const QString prefix = QLatin1Char('.') + final.fileName() + QLatin1Char('.');
    const QString suffix = QStringLiteral(".part");
    const QDir folder = final.dir();
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QString name = entry.fileName();
        if (name.size() != prefix.size() + 8 + suffix.size() || !name.startsWith(prefix) ||
            !name.endsWith(suffix))
            continue;
        bool hex = false;
        name.mid(prefix.size(), 8).toUInt(&hex, 16);
        if (hex && entry.lastModified() < Before)
            QFile::remove(entry.filePath());
    }
}

RipError FileError(const QString &Path, const QString &Reason)
{
    RipError error;
    error.Kind = RipErrorKind::FileWrite;
    error.Path = Path;
    error.Reason = Reason;
    return error;
}

StagedFile::~StagedFile()
{
    Discard();
}

bool StagedFile::Open(const QString &FinalPath, RipError &Error)
{
    Discard();
    finalPath_ = FinalPath;
    const QFileInfo final(FinalPath);
    // Only a file or a link is ever replaced: never a folder, a device or a pipe.
    struct stat existing {};
    if (::lstat(QFile::encodeName(FinalPath).constData(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
        !S_ISLNK(existing.st_mode)) {
        Error = FileError(FinalPath, S_ISDIR(existing.st_mode)
                                         ? QStringLiteral("c'est un dossier")
                                         : QStringLiteral("ce n'est pas un fichier ordinaire"));
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name =
            final.dir().filePath(QStringLiteral(".%1.%2.part")
                                     .arg(final.fileName())
                                     .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            Error = FileError(FinalPath, SystemErrorText(errno));
            return false;
        }
        temporaryPath_ = name;
        if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(QFile::encodeName(name).constData());
            Error = FileError(FinalPath, file_.errorString());
            return false;
        }
        open_ = true;
        return true;
    }
    Error = FileError(FinalPath);
    return false;
}

bool StagedFile::Commit(RipError &Error)
{
    if (!open_) {
        Error = FileError(finalPath_);
        return false;
    }
    const int fd = file_.handle();
    errno = 0;
    bool ok = file_.flush();
    QString reason = ok ? QString() : WriteFailureReason(file_);
    int error = 0;
    if (ok && ::fchmod(fd, NewFileMode()) != 0) {
        ok = false;
        error = errno;
    }
    // On the disk before it takes the final name: a crash leaves the old file or the new one.
    if (ok && ::fdatasync(fd) != 0) {
        ok = false;
        error = errno;
    }
    const QString temporary = temporaryPath_;
    file_.close();
    if (ok &&
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(finalPath_).constData()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(QFile::encodeName(temporary).constData());
        open_ = false;
        Error = FileError(finalPath_, reason.isEmpty() ? SystemErrorText(error) : reason);
        return false;
    }
    open_ = false;
    return true;
}

bool StagedFile::CommitAs(const QString &Path, RipError &Error)
{
    finalPath_ = Path;
    return Commit(Error);
}

void StagedFile::Discard()
{
    if (!open_)
        return;
    const QString temporary = temporaryPath_;
    file_.close();
    ::unlink(QFile::encodeName(temporary).constData());
    open_ = false;
}

QString WriteFailureReason(const QFile &File)
{
    // QFile only says "Unknown error" for a full disk: the system's reason says more.
    if (errno != 0)
        return SystemErrorText(errno);
    if (File.error() != QFileDevice::NoError)
        return File.errorString();
    return QStringLiteral("écriture incomplète");
}

bool WriteFileAtomically(const QString &Path, const QByteArray &Text, RipError &Error)
{
    StagedFile staged;
    if (!staged.Open(Path, Error))
        return false;
    if (staged.File().write(Text) != Text.size()) {
        Error = FileError(Path, WriteFailureReason(staged.File()));
        return false;
    }
    return staged.Commit(Error);
}
