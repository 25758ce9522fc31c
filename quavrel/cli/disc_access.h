#pragma once
// The disc in a drive, as both libraries read it: Ostrelle's table of contents (what the lookup
// and toc see) and the ripping library's disc information (what a rip reads). Drive indexes are
// the catalogue's, the same for both. Each returns kExitDone, or kExitNoDisc with Error in French.

#include "quavrel/disc/disc.h"

#include <QString>

int ReadDiscToc(int Drive, Disc &Disc, QString &Error);
int ReadRipDisc(int Drive, Disc &Disc, QString &Error);
// Adds to Ostrelle's table what the ripping library read of the disc besides it (pre-gaps, ISRCs,
// flags, catalogue number, CD-Text), when it read the same table.
void AddDiscContents(int Drive, Disc &Disc);
