#include "quavrel/engine/ripper/cd_rip_types.h"

#include <algorithm>

int OutputChannels(TOutputFormat Format)
{
    return static_cast<int>(Format) % 2 == 0 ? 2 : 1;
}

int OutputRate(TOutputFormat Format)
{
    switch (Format) {
    case TOutputFormat::STEREO44100:
    case TOutputFormat::MONO44100:
        return 44100;
    case TOutputFormat::STEREO22050:
    case TOutputFormat::MONO22050:
        return 22050;
    case TOutputFormat::STEREO11025:
    case TOutputFormat::MONO11025:
        return 11025;
    }
    return 44100;
}

void TDriveTableClass::SetFields(const int32_t *Values)
{
    std::copy(Values, Values + 7, fields_);
}

QString TrackName(int Number)
{
    return QStringLiteral("Track%1").arg(Number, 2, 10, QLatin1Char('0'));
}
