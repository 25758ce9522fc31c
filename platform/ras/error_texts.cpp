#include "error_texts.h"

#include "ras.h"

namespace ras {
namespace {

struct CodeText {
    uint32_t code;
    const char *text;
};

// Every text fits the 100-byte buffer the component passes.
constexpr CodeText kTexts[] = {
    {ERROR_ACCESS_DENIED, "Access is denied: the link belongs to another user."},
    {ERROR_INVALID_HANDLE, "The connection handle is invalid or the connection has ended."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory."},
    {ERROR_INVALID_PARAMETER, "A parameter is invalid."},
    {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small for the text."},
    {ERROR_PORT_ALREADY_OPEN, "The serial port is in use: it could not be locked."},
    {ERROR_BUFFER_TOO_SMALL, "The buffer is too small."},
    {ERROR_DEVICE_DOES_NOT_EXIST, "The dial-up program (pppd) could not be started."},
    {ERROR_DEVICETYPE_DOES_NOT_EXIST, "The kernel does not support PPP."},
    {ERROR_CANNOT_OPEN_PHONEBOOK, "The phone book (the pppd peers directory) cannot be read."},
    {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "The phone-book entry does not exist."},
    {ERROR_CORRUPT_PHONEBOOK, "The options of the phone-book entry are invalid."},
    {ERROR_DISCONNECTION, "The connection was closed."},
    {ERROR_REMOTE_DISCONNECTION, "The connection was closed by the remote computer."},
    {ERROR_USER_DISCONNECTION, "The connection was closed by the user."},
    {ERROR_INVALID_SIZE, "The structure size is incorrect."},
    {ERROR_PORT_NOT_AVAILABLE, "The serial port could not be opened."},
    {ERROR_UNKNOWN, "pppd stopped with a fatal error."},
    {ERROR_FROM_DEVICE, "The modem or its connect script reported an error."},
    {ERROR_AUTHENTICATION_FAILURE, "Authentication failed: check the user name and password."},
    {ERROR_PPP_NO_RESPONSE, "The remote PPP peer is not responding."},
    {ERROR_PROJECTION_NOT_COMPLETE, "The link has no IPv4 addresses yet."},
    {ERROR_PROTOCOL_NOT_CONFIGURED, "The projection asked for is not available on this link."},
    {ERROR_PPP_NCP_TERMINATED, "PPP negotiation failed: no network protocol came up."},
    {ERROR_PPP_LOOPBACK_DETECTED, "The link is looped back: the modem talks to itself."},
};

} // namespace

const char *ErrorText(uint32_t code)
{
    for (const auto &entry : kTexts) {
        if (entry.code == code)
            return entry.text;
    }
    return nullptr;
}

} // namespace ras
