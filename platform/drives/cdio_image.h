#pragma once
// A libcdio handle on a disc image or a device, owned, with the TOC and raw-sector reads the
// catalogue needs. Opening silences libcdio's log first. Images are read through DiscImage
// (disc_image.h), which checks them and adds what libcdio leaves out.

#include "drive_catalogue.h"

#include <string>

#include <cdio_handle.h>

namespace drives {

class CdioImage {
  public:
    // Opens an image (CUE/BIN, NRG) or, with device = true, a drive. Empty on failure. An image
    // that is not a regular file (a pipe would block the open) is not opened.
    static CdioImage Open(const std::string &path, bool device);

    bool IsOpen() const { return handle_ != nullptr; }
    CdIo_t *Handle() const { return handle_.get(); }

    // NoMedium when the TOC cannot be read or holds no track.
    DriveError ReadToc(DiscToc &toc) const;
    // Raw 2352-byte sectors, unchanged.
    DriveError ReadSectors(int32_t lsn, int32_t count, void *buffer) const;

  private:
    platform::CdioPtr handle_;
};

} // namespace drives
