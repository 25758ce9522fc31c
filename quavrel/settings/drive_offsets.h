#pragma once
// What is stored of each drive, one line per drive ending with its name as the drive box shows
// it: its read offset ("Décalages de lecture": the offset in samples, AccurateRip's sign, a
// space, the name) and whether it caches audio ("Cache audio des lecteurs": "oui", "non" or
// "fua" (it does, and reads with the force-unit-access bit refresh it), a space, the name).

#include <QMap>
#include <QString>

// Drives read at most a few thousand samples off; more is a typing slip.
inline constexpr int kMaxReadOffset = 10000;

// Lines that do not read as an offset within kMaxReadOffset and a name are left out.
QMap<QString, int> ParseDriveOffsets(const QString &Stored);
// Drives at 0 are left out.
QString DriveOffsetsText(const QMap<QString, int> &Offsets);

// Lines whose first word is not one of those are left out.
QMap<QString, QString> ParseDriveCaches(const QString &Stored);
QString DriveCachesText(const QMap<QString, QString> &Caches);

// Where the AccurateRip database is asked when nothing is stored: its public server, or what
// QUAVREL_ACCURATERIP_SERVER names (tests point it at a server of their own).
QString DefaultAccurateRipServer();
