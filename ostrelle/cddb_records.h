#pragma once
// Copies parsed CDDB replies into the C records the caller passed. Every text and array is
// allocated with malloc and released by the matching Free export. A record is filled completely or
// not at all: on allocation failure std::bad_alloc is thrown and the record is left untouched.

#include "cddb_reply_parsers.h"

#include <string>
#include <string_view>
#include <vector>

#include <ostrelle/ostrelle.h>

namespace ostrelle {

// A new NUL-terminated copy of text.
char *CopyText(std::string_view text);

void FillQuery(const std::vector<CddbMatchText> &matches, TCDDBQuery &query);

// Artist and Title are copied from the match; a null text of the match gives an empty one.
void FillDiscInfo(const CddbEntryText &entry, const TCddbMatch &match, TDiscInfo &info);

void FillList(const std::vector<std::string> &items, TCddbList &list);

} // namespace ostrelle
