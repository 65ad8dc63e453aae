// The virtual clock of headless runs, shared by every headless backend: it stands still while a
// frame is drawn and jumps straight to the next due timer when nothing else is pending, so
// frames are exactly their period apart, events fire exactly on time, and two runs draw the
// same pixels, as fast as the renderer allows.
#pragma once

#include <cstdint>
#include <optional>

namespace os::detail {

class VirtualClock {
public:
    uint64_t nowMicros() const { return micros; }
    // Nothing is pending: time passes at once to the next due timer.
    void advanceTo(std::optional<uint64_t> nextDueMicros)
    {
        if (nextDueMicros && *nextDueMicros > micros)
            micros = *nextDueMicros;
    }

private:
    // Starts well above zero so that tick differences are exercised honestly.
    static constexpr uint64_t startMicros = 1'000'000ull * 1000;
    uint64_t micros = startMicros;
};

} // namespace os::detail
