#pragma once
// A rip's progress on standard error: on a terminal, one line redrawn in place with a bar for the
// track and one for the whole rip; elsewhere plain lines (a track's start, every tenth of it, its end).

#include <QString>

class RipProgress {
  public:
    RipProgress(int TrackCount, bool Terminal);

    // Position counts the tracks of this rip from 0.
    void BeginTrack(int Position, int Track, const QString &File);
    void Percent(int Percent);
    void EndTrack(const QString &Result);

  private:
    void Draw();

    int count_;
    bool terminal_;
    int position_ = 0;
    int track_ = 0;
    int percent_ = 0;
    int lastTenth_ = -1;
};
