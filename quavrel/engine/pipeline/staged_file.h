#pragma once
// An output file written beside its final name and put in place only once complete: a cancelled
// or failed rip never replaces an existing file, and a link at the final name is replaced, never
// written through.

#include "quavrel/engine/pipeline/rip_error.h"

#include <QDateTime>
#include <QFile>
#include <QString>

class StagedFile {
  public:
    StagedFile() = default;
    // Discards the file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Creates a new hidden file in FinalPath's folder (never an existing one, never through a
    // link). False with a FileWrite error naming FinalPath.
    bool Open(const QString &FinalPath, RipError &Error);
    QFile &File() { return file_; }
    // The temporary file's path while it is open.
    const QString &Path() const { return temporaryPath_; }
    const QString &FinalPath() const { return finalPath_; }

    // Flushes the file to the disk and renames it to the final name, with the permissions a new
    // file gets. False with a FileWrite error; the temporary file is then removed.
    bool Commit(RipError &Error);
    // The same under another name in the same folder.
    bool CommitAs(const QString &Path, RipError &Error);
    // Removes the temporary file.
    void Discard();

  private:
    QFile file_;
    QString finalPath_;
    // QFile forgets the name of a file it opens by descriptor.
    QString temporaryPath_;
    bool open_ = false;
};

// Removes the temporary files a StagedFile of FinalPath left behind (a process killed while it
// wrote) that were last written before Before: those of a run in progress are newer.
void RemoveLeftovers(const QString &FinalPath, const QDateTime &Before);

// A FileWrite error for Path with Reason.
RipError FileError(const QString &Path, const QString &Reason = {});

// Why the last write to File came short, in French: the system's reason when it gave one (a full
// disk, a file size limit), else QFile's.
QString WriteFailureReason(const QFile &File);

// Writes Text to Path through a staged file: all of it or nothing.
bool WriteFileAtomically(const QString &Path, const QByteArray &Text, RipError &Error);
