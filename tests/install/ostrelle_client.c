/* A program of someone else's, built against an installed Ostrelle: lists the CD-ROM drives and
 * prints the first one's name, track count and disc ID. */
#include <stdio.h>

#include <ostrelle/ostrelle.h>

int main(void)
{
    TCdDriveList drives = {0};
    TCdToc toc = {0};
    GetCdRomDrives(&drives);
    if (drives.Count == 0) {
        fputs("no CD-ROM drive\n", stderr);
        return 1;
    }
    if (ReadCdTOC(&drives.Drives[0], &toc)) {
        fputs("no table of contents\n", stderr);
        return 1;
    }
    printf("%s %u %08x\n", drives.Drives[0].VendorSpecific, (unsigned)toc.Count, (unsigned)CalcDiscID(&toc));
    return 0;
}
