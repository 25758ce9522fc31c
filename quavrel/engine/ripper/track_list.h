#pragma once
// The ripper component's track list: one named TTrack per disc track, in disc order.

#include "quavrel/engine/ripper/cd_rip_types.h"

#include <vector>

#include <QString>

class TTrackList {
  public:
    int Count() const { return static_cast<int>(tracks_.size()); }
    const QString &Name(int Index) const { return tracks_.at(static_cast<size_t>(Index)).name; }
    const TTrack &Track(int Index) const { return tracks_.at(static_cast<size_t>(Index)).track; }
    void Add(const QString &Name, const TTrack &Track) { tracks_.push_back({Name, Track}); }
    void Clear() { tracks_.clear(); }

  private:
    struct Entry {
        QString name;
        TTrack track;
    };
    std::vector<Entry> tracks_;
};
