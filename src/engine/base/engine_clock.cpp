#include "engine/base/engine_clock.h"

#include <SDL.h>

#include <utility>

namespace zf {

namespace {
ClockSource& Source()
{
    static ClockSource source;
    return source;
}
} // namespace

uint32_t ClockNow()
{
    const ClockSource& source = Source();
    return source ? source() : static_cast<uint32_t>(SDL_GetTicks());
}

ClockSource SetClockSource(ClockSource source)
{
    return std::exchange(Source(), std::move(source));
}

} // namespace zf
