// The one millisecond clock of the program. It wraps like a 32-bit millisecond counter.
// The game reads the platform's tick counter; tests replace the source with a settable one.
#pragma once

#include <cstdint>
#include <functional>

namespace zf {

using ClockSource = std::function<uint32_t()>;

// Milliseconds of the engine clock.
uint32_t ClockNow();

// Replaces the clock source; an empty function restores the real clock. Returns the previous source.
ClockSource SetClockSource(ClockSource source);

} // namespace zf
