#pragma once
// The library-wide CDDB transport: one TEvents, one response buffer and one HTTP client, made when
// the library loads and reused by every http_ call, with what the calls share: the protocol level
// and what the last call tells about itself.

#include <cstdint>
#include <string>

namespace ostrelle {

class TEvents;
class TResponseBuffer;
class THttpCli;

struct CddbTransport {
    TEvents *Events = nullptr;
    TResponseBuffer *Buffer = nullptr;
    THttpCli *Client = nullptr;
    // The "proto=" of every hello; it also decides the encoding of the records' texts.
    int32_t ProtocolLevel = 4;
    // http_LastError's text, in the records' encoding; empty after a success.
    std::string LastError;
    // DYEAR and DGENRE of the entry the last successful http_read parsed.
    std::string LastYear;
    std::string LastGenre;
};

// Null members before CreateCddbTransport and after DestroyCddbTransport.
CddbTransport &TheCddbTransport();

// Creates TEvents, the buffer and the client, in that order, and wires them together.
void CreateCddbTransport();

// Frees the buffer, the client and TEvents, in that order.
void DestroyCddbTransport();

} // namespace ostrelle
