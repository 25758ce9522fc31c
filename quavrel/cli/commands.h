#pragma once
// The commands of quavrel-cli, one file each. Each takes the words after its name and returns the
// program's exit status (exit_codes.h).

#include <QString>
#include <QStringList>

class InterruptWatch;

int RunDrives(const QStringList &Arguments);
int RunToc(const QStringList &Arguments);
int RunLookup(const QStringList &Arguments, InterruptWatch &Watch);
int RunRip(const QStringList &Arguments, InterruptWatch &Watch);

// Prints "quavrel-cli <command> : <error>" and where the help is; returns kExitUsage.
int UsageError(const QString &Command, const QString &Error);
