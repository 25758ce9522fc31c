#pragma once
// The one owner of a libcdio handle, and the one switch that keeps libcdio from logging to
// stderr. Users link libcdio themselves.

#include <memory>

#include <cdio/cdio.h>
#include <cdio/logging.h>

namespace platform {

struct CdioCloser {
    void operator()(CdIo_t *cdio) const { cdio_destroy(cdio); }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;

// Routes libcdio's log to nowhere: our libraries print nothing. Idempotent.
inline void SilenceCdioLog()
{
    cdio_log_set_handler([](cdio_log_level_t, const char *) {});
}

} // namespace platform
