#include "serial/RxFilter.h"

namespace tarvessa {

size_t RxFilter::Filter(uint8_t* data, size_t size, const Options& options) {
    // The usual case changes nothing; no need to walk the bytes.
    if (!options.markErrors && !options.stripNull) {
        state_ = State::Plain;
        return size;
    }
    size_t out = 0;
    auto keep = [&](uint8_t b) {
        if (!(options.stripNull && b == 0))
            data[out++] = b;
    };
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (!options.markErrors) {
            state_ = State::Plain;
            keep(b);
            continue;
        }
        switch (state_) {
        case State::Plain:
            if (b == 0xFF)
                state_ = State::SawFF;
            else
                keep(b);
            break;
        case State::SawFF:
            if (b == 0xFF) {
                keep(0xFF);
                state_ = State::Plain;
            } else if (b == 0x00) {
                state_ = State::SawFF00;
            } else {
                // Not an escape the line discipline makes; pass both through.
                keep(0xFF);
                keep(b);
                state_ = State::Plain;
            }
            break;
        case State::SawFF00:
            keep(options.replacement);
            state_ = State::Plain;
            break;
        }
    }
    return out;
}

} // namespace tarvessa
