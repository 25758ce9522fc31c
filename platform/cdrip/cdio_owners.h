#pragma once
// RAII owners of the libcdio and paranoia handles the ripper opens.

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <memory>

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

namespace cdrip {

struct CdioCloser {
    void operator()(CdIo_t *cdio) const { cdio_destroy(cdio); }
};
// The paranoia drive never owns our CdIo_t: it is closed without freeing it.
struct CddaCloser {
    void operator()(cdrom_drive_t *drive) const { cdio_cddap_close_no_free_cdio(drive); }
};
struct ParanoiaCloser {
    void operator()(cdrom_paranoia_t *paranoia) const { cdio_paranoia_free(paranoia); }
};

using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;
using CddaPtr = std::unique_ptr<cdrom_drive_t, CddaCloser>;
using ParanoiaPtr = std::unique_ptr<cdrom_paranoia_t, ParanoiaCloser>;

// Routes libcdio's log to nowhere: the library prints nothing.
void SilenceCdioLog();

} // namespace cdrip
