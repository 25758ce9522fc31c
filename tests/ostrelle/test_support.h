#pragma once
// Small helpers shared by the Ostrelle tests.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include <winmsg.h>

#include <ostrelle/ostrelle.h>

namespace ostrelle_test {

inline TTocEntry EntryAtFrame(uint32_t frame, bool audio)
{
    TTocEntry entry{};
    entry.Minute = static_cast<uint8_t>(frame / 4500);
    entry.Second = static_cast<uint8_t>(frame / 75 % 60);
    entry.Frame = static_cast<uint8_t>(frame % 75);
    entry.Audio = audio ? OSTRELLE_TRUE : OSTRELLE_FALSE;
    return entry;
}

// A table of contents from absolute frame offsets (lead-in included), as ReadCdTOC fills it.
inline TCdToc TocFromFrames(const std::vector<uint32_t> &offsets, uint32_t leadOut)
{
    TCdToc toc{};
    toc.Count = static_cast<uint8_t>(offsets.size());
    for (size_t i = 0; i < offsets.size(); ++i)
        toc.Tracks[i] = EntryAtFrame(offsets[i], true);
    toc.LeadOut = EntryAtFrame(leadOut, false);
    return toc;
}

// Owns the texts of a TCddbServer.
struct ServerTexts {
    std::string server;
    std::string cgiPath = "/~cddb/cddb.cgi";
    std::string userName = "tester";
    std::string hostName = "testhost";

    TCddbServer Record()
    {
        return TCddbServer{server.data(), cgiPath.data(), userName.data(), hostName.data()};
    }
};

// A window that records the WM_CDDB_PROGRESS messages it receives as (kind, phase); onMessage
// runs after each one is recorded.
class ProgressWindow {
  public:
    using Message = std::pair<int, int>;
    std::vector<Message> messages;
    std::function<void(const Message &)> onMessage;

    ProgressWindow()
        : window_([this](uint32_t message, winmsg::WPARAM wParam, winmsg::LPARAM lParam) -> winmsg::LRESULT {
              if (message == WM_CDDB_PROGRESS) {
                  messages.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
                  if (onMessage)
                      onMessage(messages.back());
              }
              return 0;
          })
    {
    }

    OHWND Handle() const { return window_.Handle(); }

  private:
    winmsg::ScopedWindow window_;
};

} // namespace ostrelle_test
