#pragma once
// Splitting the http URLs that the client fetches.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrelle {

struct HttpUrl {
    std::string Host; // without the port; an IPv6 literal without its brackets
    uint16_t Port = 80;
    std::string Path; // from the first "/" on, query included; "/" when empty

    // Host as a URL or a Host header writes it: an IPv6 literal in brackets.
    std::string HostInUrl() const;
};

// True when text holds a byte that must never reach a request line or header: a control
// character (below 0x20, or DEL) or a space.
bool HasUnsafeByte(std::string_view text);

// Splits "[scheme://]host[:port][/path]"; host may be a bracketed IPv6 literal ("[::1]:8080"). Returns false
// with a reason when the URL holds an unsafe byte, names a scheme other than http, or has an empty host or a
// bad port.
bool SplitUrl(std::string_view url, HttpUrl &parts, std::string &error);

// The address a Location value leads to, seen from the URL that gave it: an absolute URL as it
// stands, "/path" on the same host and port, any other relative reference beside the current path.
std::string ResolveLocation(const HttpUrl &from, std::string_view location);

} // namespace ostrelle
