#pragma once
// Texts that cross to and from Ostrelle are 8-bit Windows-1252 (CDDB servers send 8-bit text), or
// UTF-8 for the replies of a protocol level 6 request; the window converts at that boundary only,
// with these.

#include <QByteArray>
#include <QString>

// A NUL-terminated Windows-1252 text as Unicode; null gives an empty text. Bytes the code page
// leaves undefined come through as the control characters of the same value.
QString FromAnsi(const char *text);

// Unicode as Windows-1252; a character the code page cannot write becomes '?'.
QByteArray ToAnsi(const QString &text);

// A text of a CDDB reply record: UTF-8 when the request asked for level 6, else Windows-1252.
QString FromCddbText(const char *text, bool utf8);
