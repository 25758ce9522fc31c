#include "http_cli.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <winmsg.h>

namespace ostrelle {

struct THttpCli::Request {
    enum class Stage { Resolving, Connecting, Sending, Receiving };

    bool active = true;
    TFailure failure = TFailure::None;
    int error = 0;
    int statusCode = 0;
    std::string reason;
    std::chrono::steady_clock::time_point lastProgress = std::chrono::steady_clock::now();

    HttpUrl url;
    int redirections = 0;
    Stage stage = Stage::Resolving;
    TNameLookup lookup;
    size_t nextAddress = 0;
    platform::FileDescriptor socket;
    std::string outgoing;
    size_t sent = 0;
    THttpResponseReader reader;
    bool docBegun = false;
    size_t bodySize = 0;
};

namespace {

std::string ErrorText(int error)
{
    return std::string(std::strerror(error)) + " (Error #" + std::to_string(error) + ")";
}

// Waits at most PollSliceMs for the socket; true when it is ready (or in error) for events.
bool WaitForSocket(int fd, short events)
{
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, THttpCli::PollSliceMs);
    return ready > 0;
}

void Touch(std::chrono::steady_clock::time_point &lastProgress)
{
    lastProgress = std::chrono::steady_clock::now();
}

// limit, or the milliseconds in the variable when they are a number between 1 and limit.
int LimitFromEnvironment(const char *variable, int limit)
{
    if (const char *text = std::getenv(variable)) {
        char *end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0 && value <= limit)
            return static_cast<int>(value);
    }
    return limit;
}

} // namespace

int THttpCli::EffectiveIdleLimitMs()
{
    return LimitFromEnvironment("OSTRELLE_TEST_IDLE_LIMIT_MS", IdleLimitMs);
}

int THttpCli::EffectiveTotalLimitMs()
{
    return LimitFromEnvironment("OSTRELLE_TEST_TOTAL_LIMIT_MS", TotalLimitMs);
}

THttpCli::THttpCli()
    : accept_("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*"), agent_("Mozilla/3.0 (compatible)")
{
}

THttpCli::~THttpCli()
{
    TNameLookup::WaitForAbandoned();
}

void THttpCli::Get()
{
    if (current_)
        throw EHttpException(statusCode_, "HTTP component is busy");
    statusCode_ = 0;
    reasonPhrase_.clear();
    failure_ = TFailure::None;
    errorNumber_ = 0;
    charset_.clear();
    bodySize_ = 0;
    contentLength_.reset();
    const auto idleLimit = std::chrono::milliseconds(EffectiveIdleLimitMs());
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(EffectiveTotalLimitMs());

    Request request;
    current_ = &request;
    // Whatever ends the wait (a handler's exception included), the client is idle again.
    struct Release {
        THttpCli &client;
        Request &request;
        ~Release()
        {
            if (client.current_ == &request)
                client.current_ = nullptr;
        }
    } release{*this, request};

    std::string error;
    if (SplitUrl(url_, request.url, error))
        StartLookup(request);
    else
        Finish(request, 404, error, TFailure::BadUrl);

    while (request.active) {
        winmsg::PumpMessages();
        if (!request.active)
            break;
        Advance(request);
        if (!request.active)
            break;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            request.lookup.Cancel();
            Finish(request, 404, "request took too long", TFailure::TotalTimeout);
        } else if (now - request.lastProgress > idleLimit) {
            request.lookup.Cancel();
            Finish(request, 404, "timed out", TFailure::Timeout);
        }
    }
    statusCode_ = request.statusCode;
    reasonPhrase_ = request.reason;
    failure_ = request.failure;
    errorNumber_ = request.error;
    charset_ = request.reader.Charset();
    bodySize_ = request.bodySize;
    contentLength_ = request.reader.ContentLength();
    if (failure_ == TFailure::None && statusCode_ >= 400)
        failure_ = TFailure::Status;
    if (failure_ != TFailure::None)
        throw EHttpException(statusCode_, reasonPhrase_);
}

void THttpCli::Abort()
{
    Request *request = current_;
    if (!request)
        return;
    request->lookup.Cancel();
    Finish(*request, 404, "Connection aborted on request", TFailure::Aborted);
}

void THttpCli::Finish(Request &request, int statusCode, std::string reason, TFailure failure, int error)
{
    request.socket.Close();
    request.statusCode = statusCode;
    request.reason = std::move(reason);
    request.failure = failure;
    request.error = error;
    request.active = false;
    if (current_ == &request)
        current_ = nullptr;
}

void THttpCli::Fire(Request &request, const TNotifyEvent &event)
{
    if (event && request.active)
        event(*this);
    // The time the host spent in its handler is not the server's silence.
    Touch(request.lastProgress);
}

void THttpCli::StartLookup(Request &request)
{
    request.stage = Request::Stage::Resolving;
    request.nextAddress = 0;
    Touch(request.lastProgress);
    request.lookup.Start(request.url.Host, request.url.Port);
}

void THttpCli::Advance(Request &request)
{
    switch (request.stage) {
    case Request::Stage::Resolving:
        AdvanceLookup(request);
        break;
    case Request::Stage::Connecting:
        AdvanceConnect(request);
        break;
    case Request::Stage::Sending:
        AdvanceSend(request);
        break;
    case Request::Stage::Receiving:
        AdvanceReceive(request);
        break;
    }
}

void THttpCli::AdvanceLookup(Request &request)
{
    switch (request.lookup.Wait(PollSliceMs)) {
    case TNameLookup::State::Done:
        ConnectNext(request);
        break;
    case TNameLookup::State::Running:
        break;
    case TNameLookup::State::Idle:
    case TNameLookup::State::Failed:
        Finish(request, 404, "can't resolve hostname to IP address", TFailure::Resolve);
        break;
    }
}

// Tries the next address the lookup gave; a host with several addresses (IPv6 and IPv4) is
// reachable as long as one of them accepts.
void THttpCli::ConnectNext(Request &request)
{
    const auto &addresses = request.lookup.Addresses();
    int error = ECONNREFUSED;
    while (request.nextAddress < addresses.size()) {
        const addrinfo *address = addresses[request.nextAddress++];
        platform::FileDescriptor socket(::socket(
            address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol));
        if (!socket.IsOpen()) {
            error = errno;
            continue;
        }
        if (::connect(socket.Get(), address->ai_addr, address->ai_addrlen) == 0 || errno == EINPROGRESS) {
            request.socket = std::move(socket);
            request.stage = Request::Stage::Connecting;
            Touch(request.lastProgress);
            return;
        }
        error = errno;
    }
    Finish(request, 404, "can't connect: " + ErrorText(error), TFailure::Connect, error);
}

void THttpCli::AdvanceConnect(Request &request)
{
    if (!WaitForSocket(request.socket.Get(), POLLOUT))
        return;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(request.socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        request.socket.Close();
        if (request.nextAddress < request.lookup.Addresses().size())
            ConnectNext(request);
        else
            Finish(request, 404, ErrorText(error), TFailure::Connect, error);
        return;
    }
    // The Host header names the port unless it is HTTP's own (RFC 9110, 7.2).
    std::string host = request.url.HostInUrl();
    if (request.url.Port != 80)
        host += ":" + std::to_string(request.url.Port);
    request.outgoing = "GET " + request.url.Path + " HTTP/1.0\r\n" + "Accept: " + accept_ + "\r\n" +
                       "User-Agent: " + agent_ + "\r\n" + "Host: " + host + "\r\n\r\n";
    request.sent = 0;
    request.reader = THttpResponseReader();
    request.stage = Request::Stage::Sending;
    Touch(request.lastProgress);
    Fire(request, OnRequestHeaderBegin);
}

void THttpCli::AdvanceSend(Request &request)
{
    if (!WaitForSocket(request.socket.Get(), POLLOUT))
        return;
    const ssize_t written = ::send(request.socket.Get(), request.outgoing.data() + request.sent,
                                   request.outgoing.size() - request.sent, MSG_NOSIGNAL);
    if (written < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            Finish(request, 404, ErrorText(errno), TFailure::Transfer, errno);
        return;
    }
    Touch(request.lastProgress);
    request.sent += static_cast<size_t>(written);
    if (request.sent == request.outgoing.size())
        request.stage = Request::Stage::Receiving;
}

void THttpCli::AdvanceReceive(Request &request)
{
    if (!WaitForSocket(request.socket.Get(), POLLIN))
        return;
    char chunk[16384];
    const ssize_t received = ::recv(request.socket.Get(), chunk, sizeof chunk, 0);
    if (received < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            Finish(request, 404, ErrorText(errno), TFailure::Transfer, errno);
        return;
    }
    Touch(request.lastProgress);
    if (received == 0) {
        ConnectionClosed(request);
        return;
    }
    TakeReplyBytes(request, std::string_view(chunk, static_cast<size_t>(received)));
}

void THttpCli::TakeReplyBytes(Request &request, std::string_view bytes)
{
    const bool inHeaders = request.reader.CurrentPhase() == THttpResponseReader::Phase::Headers;
    std::string_view body;
    switch (request.reader.Feed(bytes, body)) {
    case THttpResponseReader::Phase::Headers:
        break;
    case THttpResponseReader::Phase::Body:
        if (inHeaders && request.reader.HasLocation()) {
            Redirect(request);
        } else if (inHeaders && request.reader.ContentLength() > MaxBodySize) {
            Finish(request, request.reader.StatusCode(), "response body too large", TFailure::BodyTooLarge);
        } else {
            TakeBody(request, body);
            // Without a valid status line the reply is unusable however long it is: the close says so.
            if (request.active && request.reader.StatusCode() != 0 &&
                request.reader.ContentLength() == request.bodySize)
                BodyComplete(request);
        }
        break;
    case THttpResponseReader::Phase::ErrorStatus:
        Finish(request, request.reader.StatusCode(), request.reader.Reason(), TFailure::Status);
        break;
    case THttpResponseReader::Phase::LineTooLong:
        Finish(request, request.reader.StatusCode(), "HTTP line too long", TFailure::LineTooLong);
        break;
    case THttpResponseReader::Phase::BadLength:
        Finish(request, request.reader.StatusCode(), "bad Content-Length", TFailure::BadLength);
        break;
    }
}

void THttpCli::TakeBody(Request &request, std::string_view bytes)
{
    // Bytes past the announced length belong to no reply.
    if (const auto length = request.reader.ContentLength())
        bytes = bytes.substr(0, *length - std::min(*length, request.bodySize));
    if (bytes.empty())
        return;
    if (request.bodySize + bytes.size() > MaxBodySize) {
        Finish(request, request.reader.StatusCode(), "response body too large", TFailure::BodyTooLarge);
        return;
    }
    if (!request.docBegun) {
        request.docBegun = true;
        Fire(request, OnDocBegin);
        if (!request.active)
            return;
    }
    request.bodySize += bytes.size();
    if (rcvdStream_)
        rcvdStream_->Append(bytes);
}

void THttpCli::Redirect(Request &request)
{
    request.socket.Close();
    if (++request.redirections > MaxRedirections) {
        Finish(request, request.reader.StatusCode(), "too many redirections", TFailure::Redirections);
        return;
    }
    const std::string target = ResolveLocation(request.url, request.reader.Location());
    std::string error;
    if (!SplitUrl(target, request.url, error)) {
        Finish(request, request.reader.StatusCode(), "bad redirection: " + error, TFailure::BadUrl);
        return;
    }
    StartLookup(request);
}

void THttpCli::ConnectionClosed(Request &request)
{
    const THttpResponseReader &reader = request.reader;
    if (reader.CurrentPhase() != THttpResponseReader::Phase::Body || reader.StatusCode() == 0) {
        Finish(request, reader.StatusCode(), "connection closed before a complete HTTP reply",
               TFailure::Closed);
        return;
    }
    if (reader.ContentLength() && request.bodySize < *reader.ContentLength()) {
        Finish(request, reader.StatusCode(), "connection closed before the whole body", TFailure::Incomplete);
        return;
    }
    BodyComplete(request);
}

// The body is all there: the server closed the connection, or sent the Content-Length it announced
// (a server that then keeps the connection open does not hold the request up).
void THttpCli::BodyComplete(Request &request)
{
    request.socket.Close();
    if (request.docBegun) {
        Fire(request, OnDocEnd);
        if (!request.active)
            return;
    }
    Finish(request, request.reader.StatusCode(), request.reader.Reason(), TFailure::None);
}

} // namespace ostrelle
