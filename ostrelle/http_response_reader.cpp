#include "http_response_reader.h"

#include <cctype>

namespace ostrelle {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The charset parameter of a Content-Type value ("text/plain; charset=UTF-8"), in lower case.
std::string CharsetOf(std::string_view value)
{
    std::string lower;
    for (char c : value)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string_view charset = std::string_view(lower).substr(at + 8);
    charset = charset.substr(0, charset.find(';'));
    if (charset.size() >= 2 && charset.front() == '"' && charset.back() == '"')
        charset = charset.substr(1, charset.size() - 2);
    return std::string(TrimTrailingBlanks(charset));
}

// A Content-Length value: decimal digits between optional blanks, at most 15 of them (far beyond
// any body the client takes, and clear of overflow).
std::optional<size_t> LengthOf(std::string_view value)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    value = TrimTrailingBlanks(value);
    if (value.empty() || value.size() > 15)
        return std::nullopt;
    size_t length = 0;
    for (char c : value) {
        if (!IsDigit(c))
            return std::nullopt;
        length = length * 10 + static_cast<size_t>(c - '0');
    }
    return length;
}

} // namespace

THttpResponseReader::Phase THttpResponseReader::Feed(std::string_view data, std::string_view &body)
{
    body = {};
    if (phase_ == Phase::Body) {
        body = data;
        return phase_;
    }
    while (phase_ == Phase::Headers && !data.empty()) {
        const auto lf = data.find('\n');
        const size_t take = lf == std::string_view::npos ? data.size() : lf;
        if (pending_.size() + take > MaxHeaderLine) {
            pending_.clear();
            phase_ = Phase::LineTooLong;
            break;
        }
        pending_.append(data.substr(0, take));
        if (lf == std::string_view::npos)
            break;
        data.remove_prefix(lf + 1);
        std::string_view line = pending_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty()) {
            phase_ = Phase::Body;
            body = data;
        } else {
            TakeLine(line);
        }
        pending_.clear();
    }
    return phase_;
}

void THttpResponseReader::TakeLine(std::string_view line)
{
    if (line.starts_with("HTTP/1.0") || line.starts_with("HTTP/1.1")) {
        // "HTTP/1.x NNN Reason": the code in characters 10-12, the reason from character 14.
        if (line.size() < 12 || line[8] != ' ' || !IsDigit(line[9]) || !IsDigit(line[10]) ||
            !IsDigit(line[11]))
            return;
        statusCode_ = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
        reason_ = line.size() > 13 ? std::string(line.substr(13)) : std::string();
        if (statusCode_ >= 400)
            phase_ = Phase::ErrorStatus;
        return;
    }
    if (StartsWithIgnoringCase(line, "location:")) {
        std::string_view value = line.substr(9);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        location_ = TrimTrailingBlanks(value);
        hasLocation_ = true;
    } else if (StartsWithIgnoringCase(line, "content-type:")) {
        charset_ = CharsetOf(line.substr(13));
    } else if (StartsWithIgnoringCase(line, "content-length:")) {
        const std::optional<size_t> length = LengthOf(line.substr(15));
        // A repeated header must say the same: two lengths leave the body's end unknown.
        if (!length || (contentLength_ && *contentLength_ != *length))
            phase_ = Phase::BadLength;
        else
            contentLength_ = length;
    }
}

} // namespace ostrelle
