#pragma once
// THttpCli: the library's HTTP/1.0 client. Get is synchronous for its caller but waits by
// alternating the host's message pump with a short poll on the socket, so window procedures keep
// running (and may call Abort) while a request is under way.

#include "http_response_reader.h"
#include "name_lookup.h"
#include "response_buffer.h"
#include "url.h"

#include <cstddef>
#include <file_descriptor.h>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace ostrelle {

class EHttpException : public std::runtime_error {
  public:
    EHttpException(int statusCode, const std::string &reason)
        : std::runtime_error(reason), statusCode_(statusCode)
    {
    }
    int StatusCode() const { return statusCode_; }

  private:
    int statusCode_;
};

class THttpCli {
  public:
    using TNotifyEvent = std::function<void(THttpCli &sender)>;

    static constexpr int MaxRedirections = 10;
    static constexpr size_t MaxBodySize = 8 * 1024 * 1024;
    // How long one wait on the socket lasts before the host's messages are pumped again.
    static constexpr int PollSliceMs = 10;
    // A request fails when this long passes without progress: the name found, the connection
    // made, a byte sent or received.
    static constexpr int IdleLimitMs = 30000;
    // IdleLimitMs, or the milliseconds in OSTRELLE_TEST_IDLE_LIMIT_MS: a seam for tests only, so the
    // suite need not wait 30 s for a silent server.
    static int EffectiveIdleLimitMs();
    // A request fails when it has not ended this long after Get began, whatever progress it makes
    // (a server that drips a byte a second never reaches the idle limit).
    static constexpr int TotalLimitMs = 60000;
    // TotalLimitMs, or the milliseconds in OSTRELLE_TEST_TOTAL_LIMIT_MS (tests only, as above).
    static int EffectiveTotalLimitMs();

    // Why the last Get failed.
    enum class TFailure {
        None,
        BadUrl,
        Resolve,
        Connect,
        Transfer,
        Timeout,      // the idle limit
        TotalTimeout, // the overall limit
        Aborted,
        Status,     // the server answered 400 or above
        Closed,     // the connection ended before a complete HTTP reply
        Incomplete, // the connection ended before the body had its Content-Length
        BadLength,  // an unusable Content-Length
        LineTooLong,
        BodyTooLarge,
        Redirections,
    };

    THttpCli();
    ~THttpCli();
    THttpCli(const THttpCli &) = delete;
    THttpCli &operator=(const THttpCli &) = delete;

    const std::string &URL() const { return url_; }
    void SetURL(std::string url) { url_ = std::move(url); }
    const std::string &Accept() const { return accept_; }
    const std::string &Agent() const { return agent_; }
    // Body bytes are appended here; not owned.
    void SetRcvdStream(TResponseBuffer *buffer) { rcvdStream_ = buffer; }

    // Fired once per connection, just before the request goes out.
    TNotifyEvent OnRequestHeaderBegin;
    // Fired before the first body bytes of a request are stored.
    TNotifyEvent OnDocBegin;
    // Fired when the server closed a connection that delivered body bytes.
    TNotifyEvent OnDocEnd;

    bool Busy() const { return current_ != nullptr; }
    int StatusCode() const { return statusCode_; }
    const std::string &ReasonPhrase() const { return reasonPhrase_; }
    TFailure Failure() const { return failure_; }
    // The system's error number of a Connect or Transfer failure, 0 otherwise.
    int ErrorNumber() const { return errorNumber_; }
    // The charset the last reply's Content-Type named, in lower case; empty when none.
    const std::string &Charset() const { return charset_; }
    // The body bytes the last reply delivered, and the Content-Length it announced (nothing when
    // none).
    size_t BodySize() const { return bodySize_; }
    std::optional<size_t> ContentLength() const { return contentLength_; }

    // Fetches URL. Returns when the reply's status is below 400; throws EHttpException on every
    // failure (busy client, lookup, connect, I/O, status of 400 or above, abort, limits).
    void Get();

    // Ends the request under way; the waiting Get throws with status 404.
    void Abort();

  private:
    struct Request;

    void StartLookup(Request &request);
    void Advance(Request &request);
    void AdvanceLookup(Request &request);
    void ConnectNext(Request &request);
    void AdvanceConnect(Request &request);
    void AdvanceSend(Request &request);
    void AdvanceReceive(Request &request);
    void TakeReplyBytes(Request &request, std::string_view bytes);
    void TakeBody(Request &request, std::string_view bytes);
    void Redirect(Request &request);
    void ConnectionClosed(Request &request);
    void BodyComplete(Request &request);
    void Fire(Request &request, const TNotifyEvent &event);
    void Finish(Request &request, int statusCode, std::string reason, TFailure failure, int error = 0);

    std::string url_;
    std::string accept_;
    std::string agent_;
    TResponseBuffer *rcvdStream_ = nullptr;
    Request *current_ = nullptr;
    int statusCode_ = 0;
    std::string reasonPhrase_;
    TFailure failure_ = TFailure::None;
    int errorNumber_ = 0;
    std::string charset_;
    size_t bodySize_ = 0;
    std::optional<size_t> contentLength_;
};

} // namespace ostrelle
