#include "cdio_owners.h"

#include <cdio/logging.h>

namespace cdrip {
namespace {

void DropLogMessage(cdio_log_level_t, const char *) {}

} // namespace

void SilenceCdioLog()
{
    cdio_log_set_handler(DropLogMessage);
}

} // namespace cdrip
