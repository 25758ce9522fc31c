#include "quavrel/cli/rip_progress.h"

#include "quavrel/cli/console.h"

#include <algorithm>

namespace {

QString Bar(int percent, int width)
{
    const int filled = std::clamp(percent, 0, 100) * width / 100;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.')) +
           QLatin1Char(']');
}

} // namespace

RipProgress::RipProgress(int TrackCount, bool Terminal) : count_(std::max(TrackCount, 1)), terminal_(Terminal)
{
}

void RipProgress::BeginTrack(int Position, int Track, const QString &File)
{
    position_ = Position;
    track_ = Track;
    percent_ = 0;
    lastTenth_ = -1;
    if (terminal_) {
        Draw();
        return;
    }
    PrintError(QStringLiteral("Piste %1 (%2/%3) : %4").arg(Track).arg(Position + 1).arg(count_).arg(File));
}

void RipProgress::Percent(int Percent)
{
    percent_ = std::clamp(Percent, 0, 100);
    if (terminal_) {
        Draw();
        return;
    }
    if (percent_ / 10 != lastTenth_) {
        lastTenth_ = percent_ / 10;
        PrintError(QStringLiteral("Piste %1 : %2 %").arg(track_).arg(percent_));
    }
}

void RipProgress::EndTrack(const QString &Result)
{
    const QString line = QStringLiteral("Piste %1 : %2").arg(track_).arg(Result);
    if (terminal_)
        Write(stderr, QStringLiteral("\r\033[K") + line + QLatin1Char('\n'));
    else
        PrintError(line);
}

void RipProgress::Draw()
{
    const int overall = (position_ * 100 + percent_) / count_;
    Write(stderr, QStringLiteral("\r\033[KPiste %1 (%2/%3) %4 %5 %  total %6 %7 %")
                      .arg(track_)
                      .arg(position_ + 1)
                      .arg(count_)
                      .arg(Bar(percent_, 20))
                      .arg(percent_, 3)
                      .arg(Bar(overall, 20))
                      .arg(overall, 3));
}
