#pragma once
// Binds the Remote Access Service functions by name, on first use, so that the program starts on a
// system without it. "rasapi32.dll" is the library; "rnaph.dll" stands in when the first library
// loads but has the asked function under neither of its names.

#include "platform/loader/library_loader.h"

#include <stdexcept>
#include <string>

// Raised when the library or a function of it cannot be found.
class EDialUpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class RasBinding {
  public:
    // The binding every TDialUp shares. It lives as long as the process: a dial's notifier may
    // still run the library's code while static objects are destroyed.
    static RasBinding &Shared();

    // The address of function name (names end in "A"), looked up afresh at every call. Loads the
    // library when none is bound; a failed load is tried again at the next call. Raises
    // EDialUpError "Error opening rasapi.dll", "Error opening rnaph.dll" or
    // "Function <name> not found!".
    void *GetRasProc(const std::string &name);

    bool RasBound() const { return RasBound_; }
    bool RasViaRnaph() const { return RasViaRnaph_; }

  private:
    void *Find(const std::string &name) const;

    platform::Library RasLibrary_;
    bool RasBound_ = false;
    bool RasViaRnaph_ = false;
};
