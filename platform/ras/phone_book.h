#pragma once
// The phone book: the peer files of pppd, one entry per file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ras {

// The caller's phone book when given, else QUAVREL_PPP_PEERS, else "/etc/ppp/peers".
std::string PeersDirectory(const char *phonebook);

// A name that "pppd call" takes as a peer file of the directory and that fits RASENTRYNAME.
bool IsEntryName(std::string_view name);

// The entry names of dir, sorted. A directory that does not exist is an empty phone book; one that
// cannot be read gives ERROR_CANNOT_OPEN_PHONEBOOK.
uint32_t ListEntries(const std::string &dir, std::vector<std::string> &names);

bool EntryExists(const std::string &dir, std::string_view name);

// What the program shows of a peer file's options. Empty fields when the file cannot be read
// (peer files are often readable by root and the dip group only).
struct PeerOptions {
    std::string device; // the tty, "/dev/ttyS0"
    std::string user;   // the "user" option
};
PeerOptions ReadPeerOptions(const std::string &path);

// The words of a pppd options text: blanks separate, '#' starts a comment, double quotes group,
// a backslash escapes the next character.
std::vector<std::string> OptionWords(std::string_view text);

// The tty among option words: a path under /dev or a bare tty name, as pppd accepts them.
std::string DeviceAmong(const std::vector<std::string> &words);

} // namespace ras
