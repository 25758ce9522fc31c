#pragma once
// The 8-bit text of the library's records: Windows-1252 below protocol level 6, UTF-8 at level 6
// (what servers send at each level). A reply whose Content-Type names its charset is converted to
// the level's encoding; one that names none is taken as it is.

#include <string>
#include <string_view>

namespace ostrelle {

enum class TTextEncoding { Windows1252, Utf8 };

TTextEncoding EncodingOfLevel(int protocolLevel);

// text, sent in charset (lower case, empty when the reply named none), in the encoding target.
// Characters Windows-1252 cannot write become "?"; bytes that are not UTF-8 in a UTF-8 reply are
// kept as they are. An unknown charset leaves text as it is.
std::string ToRecordText(std::string_view text, std::string_view charset, TTextEncoding target);

// A UTF-8 text of the library's own (its messages) in the encoding target.
std::string FromUtf8(std::string_view text, TTextEncoding target);

} // namespace ostrelle
