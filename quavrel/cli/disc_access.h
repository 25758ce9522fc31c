#pragma once
// The disc in a drive, as both libraries read it: Ostrelle's table of contents (for the disc ID and
// the lookup) and the ripping library's disc information (for the rip). Drive indexes are the
// catalogue's, the same for both. Each returns kExitDone, or kExitNoDisc with Error in French.

#include "ostrelle/ostrelle.h"
#include "quavrel/engine/bindings/cd_access.h"

#include <QString>

int ReadDiscToc(int Drive, TCdToc &Toc, QString &Error);
int ReadRipDisc(int Drive, TCdInfo &Info, QString &Error);

// Sector address (LBA, 0 = 00:02:00) of a TOC entry.
int32_t TocEntryLba(const TTocEntry &Entry);
// The disc ID as the CDDB names it: eight lower-case hexadecimal digits.
QString DiscIdText(const TCdToc &Toc);
