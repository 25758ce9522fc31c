#pragma once
// Why a CDDB request did not give its success code, in French, as http_LastError tells it: the
// transport's failure, the HTTP status, or the server's own status line. Texts are in the records'
// encoding.

#include "http_cli.h"
#include "reply_charset.h"

#include <string>
#include <string_view>

namespace ostrelle {

// The failure of the client's last Get.
std::string TransportFailureText(const THttpCli &client, TTextEncoding encoding);

// The status line (first line) of a CDDB reply, already in encoding, that was not the call's success.
std::string ServerReplyText(std::string_view reply, TTextEncoding encoding);

} // namespace ostrelle
