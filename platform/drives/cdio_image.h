#pragma once
// A libcdio handle on a disc image or a device, owned, with the TOC and raw-sector reads the
// catalogue needs. libcdio logs nothing to stderr once SilenceCdioLog() has run.

#include "drive_catalogue.h"

#include <memory>
#include <string>

typedef struct _CdIo CdIo_t;

namespace drives {

// Routes libcdio's log to nowhere; idempotent.
void SilenceCdioLog();

class CdioImage {
public:
    // Opens an image (CUE/BIN, cdrdao TOC, NRG) or, with device = true, a drive. Empty on failure.
    static CdioImage Open(const std::string &path, bool device);

    bool IsOpen() const { return handle_ != nullptr; }
    CdIo_t *Handle() const { return handle_.get(); }

    // NoMedium when the TOC cannot be read or holds no track.
    DriveError ReadToc(DiscToc &toc) const;
    // Raw 2352-byte sectors, unchanged.
    DriveError ReadSectors(int32_t lsn, int32_t count, void *buffer) const;

private:
    struct Closer {
        void operator()(CdIo_t *cdio) const;
    };
    std::unique_ptr<CdIo_t, Closer> handle_;
};

} // namespace drives
