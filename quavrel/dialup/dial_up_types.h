#pragma once

#include <cstdint>

// How TDialUp::Dial works.
enum TDialMode : int32_t { dmAsync = 0, dmSync = 1 };

// The language of the status texts.
enum TLanguage : int32_t { France = 0, Czech = 1, Portuguese = 2 };
