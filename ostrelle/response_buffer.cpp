#include "response_buffer.h"

namespace ostrelle {

void TResponseBuffer::Clear()
{
    // Give the memory back: a large reply must not stay resident between lookups.
    std::string().swap(bytes_);
}

std::string TResponseBuffer::Text() const
{
    return std::string(bytes_.substr(0, bytes_.find('\0')));
}

} // namespace ostrelle
