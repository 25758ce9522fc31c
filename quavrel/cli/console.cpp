#include "quavrel/cli/console.h"

#include <unistd.h>

void Write(std::FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void Print(const QString &text)
{
    Write(stdout, text + QLatin1Char('\n'));
}

void PrintError(const QString &text)
{
    Write(stderr, text + QLatin1Char('\n'));
}

bool IsTerminal(std::FILE *stream)
{
    return isatty(fileno(stream)) == 1;
}
