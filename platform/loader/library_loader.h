#pragma once
// Loads the stand-ins of the system's run-time libraries by their Windows names.
//
// "CDRIP3.DLL" maps to "libCDRIP3.so" (extension dropped, "lib" prefixed, case kept). The file is
// looked for in each directory of QUAVREL_LIBRARY_PATH (':'-separated) first, then in the directory
// of the module that asks, then through the dynamic linker's usual search.

#include <string>
#include <string_view>

namespace platform {

// The platform's file name for a Windows library name.
std::string PlatformLibraryName(std::string_view windowsName);

// An owned handle of a loaded library; unloads when destroyed.
class Library {
  public:
    Library() = default;
    ~Library();
    Library(Library &&other) noexcept;
    Library &operator=(Library &&other) noexcept;
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    // Loads windowsName. askingAddress is any address inside the asking module (a function of
    // it); its directory is searched after QUAVREL_LIBRARY_PATH. An empty Library on failure.
    static Library Load(std::string_view windowsName, const void *askingAddress);

    bool IsLoaded() const { return handle_ != nullptr; }
    explicit operator bool() const { return IsLoaded(); }

    // The address of an exported symbol, or nullptr.
    void *Symbol(const char *name) const;

    // Typed form: Library::Symbol<decltype(&CR_Init)>("CR_Init").
    template <typename Fn> Fn Function(const char *name) const { return reinterpret_cast<Fn>(Symbol(name)); }

    // The path the library was loaded from, or empty.
    const std::string &Path() const { return path_; }

    void Unload();

  private:
    void *handle_ = nullptr;
    std::string path_;
};

} // namespace platform
