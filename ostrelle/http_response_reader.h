#pragma once
// Takes an HTTP/1.x response apart as its bytes arrive: status line, Location, the Content-Type's
// charset, the Content-Length, end of headers, then body. Pure: no I/O, so it can be fed any bytes
// (tests, fuzzing).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrelle {

class THttpResponseReader {
  public:
    static constexpr size_t MaxHeaderLine = 8192;

    enum class Phase {
        Headers,     // more header bytes needed
        Body,        // headers ended; what follows is body
        ErrorStatus, // a status of 400 or above was read: nothing more is wanted
        LineTooLong, // a header line grew past MaxHeaderLine
        BadLength,   // a Content-Length that is no decimal number, or two that disagree
    };

    // Feeds received bytes. While in Headers, header lines are consumed; when the headers end,
    // the bytes after them are returned in body (a view into data) and the phase becomes Body.
    // In Body, all of data is body (the caller stops at ContentLength). In the three end phases
    // nothing is consumed.
    Phase Feed(std::string_view data, std::string_view &body);

    Phase CurrentPhase() const { return phase_; }
    // 0 until a valid status line was read.
    int StatusCode() const { return statusCode_; }
    const std::string &Reason() const { return reason_; }
    bool HasLocation() const { return hasLocation_; }
    const std::string &Location() const { return location_; }
    // The charset parameter of the Content-Type header, in lower case; empty when none was named.
    const std::string &Charset() const { return charset_; }
    // The body's length as the Content-Length header announced it; nothing when there was none.
    std::optional<size_t> ContentLength() const { return contentLength_; }

  private:
    void TakeLine(std::string_view line);

    Phase phase_ = Phase::Headers;
    std::string pending_;
    int statusCode_ = 0;
    std::string reason_;
    bool hasLocation_ = false;
    std::string location_;
    std::string charset_;
    std::optional<size_t> contentLength_;
};

} // namespace ostrelle
