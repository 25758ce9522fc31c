#pragma once
// Texts for Vorbis comments, which are UTF-8.

#include <string>

namespace vorbis_dll {

// The text as UTF-8: kept as it is when it is valid UTF-8, otherwise read as Windows-1252 (the
// 8-bit texts of CD databases and of Windows callers).
std::string CommentText(const char *text);

} // namespace vorbis_dll
