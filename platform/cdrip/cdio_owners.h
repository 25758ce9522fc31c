#pragma once
// RAII owners of the libcdio and paranoia handles the ripper opens (the libcdio one is the shared
// platform owner).

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <memory>

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <cdio_handle.h>

namespace cdrip {

using platform::CdioPtr;
using platform::SilenceCdioLog;

// The paranoia drive never owns our CdIo_t: it is closed without freeing it.
struct CddaCloser {
    void operator()(cdrom_drive_t *drive) const { cdio_cddap_close_no_free_cdio(drive); }
};
struct ParanoiaCloser {
    void operator()(cdrom_paranoia_t *paranoia) const { cdio_paranoia_free(paranoia); }
};

using CddaPtr = std::unique_ptr<cdrom_drive_t, CddaCloser>;
using ParanoiaPtr = std::unique_ptr<cdrom_paranoia_t, ParanoiaCloser>;

} // namespace cdrip
