#pragma once
// The growable in-memory buffer that receives response bodies.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrelle {

class TResponseBuffer {
  public:
    void Append(std::string_view bytes) { bytes_.append(bytes); }
    void Clear();
    size_t Size() const { return bytes_.size(); }
    std::string_view Bytes() const { return bytes_; }

    // The body as text: everything up to its first NUL byte.
    std::string Text() const;

  private:
    std::string bytes_;
};

} // namespace ostrelle
