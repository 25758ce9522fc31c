#pragma once
// The drives' read offsets as they are stored ("Décalages de lecture"): one line per drive, the
// offset in samples (AccurateRip's sign), a space, the drive's name as the drive box shows it.

#include <QMap>
#include <QString>

// Drives read at most a few thousand samples off; more is a typing slip.
inline constexpr int kMaxReadOffset = 10000;

// Lines that do not read as an offset within kMaxReadOffset and a name are left out.
QMap<QString, int> ParseDriveOffsets(const QString &Stored);
// Drives at 0 are left out.
QString DriveOffsetsText(const QMap<QString, int> &Offsets);

// Where the AccurateRip database is asked when nothing is stored: its public server, or what
// QUAVREL_ACCURATERIP_SERVER names (tests point it at a server of their own).
QString DefaultAccurateRipServer();
