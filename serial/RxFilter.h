#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvessa {

// Turns the bytes a tty hands out into data bytes. With parity marking on, the
// line discipline escapes a real 0xFF as FF FF and a byte received with an
// error as FF 00 x; those become 0xFF and the replacement character. With null
// stripping on, 0 bytes are dropped (Linux has no such input flag). An escape
// may be split over two reads, so the filter keeps its place between calls.
class RxFilter {
public:
    struct Options {
        bool markErrors = false; // PARMRK is set on the device
        uint8_t replacement = 0;
        bool stripNull = false;
        bool operator==(const Options&) const = default;
    };

    // Filters data[0..size) in place; returns the number of data bytes kept.
    size_t Filter(uint8_t* data, size_t size, const Options& options);
    void Reset() { state_ = State::Plain; }

private:
    enum class State { Plain, SawFF, SawFF00 };
    State state_ = State::Plain;
};

} // namespace tarvessa
