#pragma once
// One virtual drive: an image behind a tray, a lock, a play clock and injected faults. Not
// thread-safe by itself; the catalogue serialises every call.

#include "disc_image.h"
#include "drive_catalogue.h"

#include <chrono>
#include <memory>

namespace drives {

class VirtualDrive {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    explicit VirtualDrive(std::string imagePath);

    TrayStatus Tray() const;
    // Why the image in the closed tray cannot serve as a disc (missing, truncated or unreadable
    // audio), or empty.
    const std::string &Problem() const { return problem_; }
    // Each returns whether the medium changed (arrival or removal to report).
    DriveError OpenTray(bool &changed);
    DriveError CloseTray(bool &changed);
    DriveError SetLocked(bool locked);

    DriveError ReadToc(DiscToc &toc) const;
    DriveError ReadContents(DiscContents &contents) const;

    DriveError Play(int32_t startLba, int32_t endLba, TimePoint now);
    DriveError Pause(TimePoint now);
    DriveError Resume(TimePoint now);
    DriveError Stop(TimePoint now);
    DriveError Position(PlayStatus &status, TimePoint now);

    // Checks faults and medium; sleeps are left to the caller (outside the lock): slowMs says how long.
    DriveError ReadAudio(int32_t lsn, int32_t sectorCount, void *buffer, int &slowMs);

    void SetFaults(const Faults &faults);
    std::optional<SenseFault> ScriptedSense(uint8_t opcode) const;

  private:
    DriveError MediumError() const;
    // Brings the clock up to now: a play that reached its end becomes Completed.
    void Advance(TimePoint now);

    std::string imagePath_;
    std::string problem_;
    std::unique_ptr<DiscImage> image_;
    bool trayOpen_ = false;
    bool locked_ = false;

    PlayStatus play_;
    TimePoint playedFrom_{};    // when the clock last started running
    int32_t playedFromLba_ = 0; // and from where

    Faults faults_;
    std::set<int32_t> armedJitter_;
};

} // namespace drives
