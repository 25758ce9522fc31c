#pragma once
// Ostrelle's binding of the ASPI layer ("wnaspi32.dll", loaded by name when Ostrelle loads) and
// the command pattern every drive operation uses.

#include <aspi_srb.h>
#include <cstddef>
#include <cstdint>

#include <ostrelle/ostrelle.h>

namespace ostrelle {

// Loads "wnaspi32.dll" and looks up its two entry points; called once when the library loads.
void BindAspi();
// Releases the library and clears the entry points; called when the library unloads.
void UnbindAspi();

// The entry points, null when the library or the export is missing.
GetASPI32SupportInfoFn AspiSupportInfo();
SendASPI32CommandFn AspiSendCommand();

// Sends one execute-SCSI-command request for the drive's adapter, target and LUN (data to the
// host, completion through an event) and waits for it without a time limit. True when the first
// 15 sense bytes are zero. False without sending when ASPI cannot carry the command.
bool ExecuteScsiCommand(const TCdDrive &drive, const uint8_t *cdb, uint8_t cdbLength, uint8_t *buffer,
                        uint32_t bufferLength);

} // namespace ostrelle
