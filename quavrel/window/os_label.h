#pragma once
// The operating-system label shown on the settings tab.

#include <QString>

// The label for a Windows version; platformIsNT distinguishes NT from 95/98/ME at 4.0.
QString WindowsVersionLabel(int major, int minor, bool platformIsNT);

// The distribution's name from an os-release file (PRETTY_NAME, else NAME); empty when the file
// is missing or names nothing.
QString OsReleaseLabel(const QString &osReleasePath);

// The label of the running system: on Linux the distribution's name, "Inconnu" when unknown.
QString RunningSystemLabel();
