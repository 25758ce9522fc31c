#pragma once
// The program's texts on its standard streams (UTF-8), and whether a stream is a terminal.

#include <cstdio>

#include <QString>

void Print(const QString &text);      // standard output, a line
void PrintError(const QString &text); // standard error, a line
// Text as it stands, no newline, flushed: progress redrawn in place.
void Write(std::FILE *stream, const QString &text);
bool IsTerminal(std::FILE *stream);
