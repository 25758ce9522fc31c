#pragma once
// The texts RasGetErrorStringA gives for the codes this layer returns.

#include <cstdint>

namespace ras {

// The text of code, or nullptr when the layer never returns that code.
const char *ErrorText(uint32_t code);

} // namespace ras
