#pragma once
// Byte streams the device simulator plays, kept apart so tests can produce the
// same bytes. Every stream is continuous: filling 10 then 20 bytes gives the
// same 30 bytes as filling 30 at once.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>

namespace tarvessa::sim {

enum class PatternKind { Counter, Sine8, Sine16 };

class PatternStream {
public:
    explicit PatternStream(PatternKind kind, int period = 64)
        : kind_(kind), period_(period > 0 ? period : 64) {}

    void Fill(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i, ++index_) {
            out[i] = ByteAt(index_);
        }
    }

    // Sample n of a sine with the given period, scaled to 0..full.
    static uint32_t SineSample(uint64_t n, int period, uint32_t full) {
        const double phase = 2.0 * std::numbers::pi * static_cast<double>(n % period) / period;
        const double half = full / 2.0;
        return static_cast<uint32_t>(std::lround(half + half * std::sin(phase)));
    }

private:
    uint8_t ByteAt(uint64_t i) const {
        switch (kind_) {
        case PatternKind::Counter:
            return static_cast<uint8_t>(i);
        case PatternKind::Sine8:
            return static_cast<uint8_t>(SineSample(i, period_, 255));
        case PatternKind::Sine16: {
            // Big-endian pairs: high byte first.
            const uint32_t sample = SineSample(i / 2, period_, 65535);
            return static_cast<uint8_t>(i % 2 == 0 ? sample >> 8 : sample);
        }
        }
        return 0;
    }

    PatternKind kind_;
    int period_;
    uint64_t index_ = 0;
};

// Random bytes that a text view must survive: every burst of 8 bytes or more
// holds a 0x00, a GBK lead byte with an invalid trail byte, a byte that never
// starts a GBK character (0x80, 0xFF), and ends in a lone lead byte whose
// character is cut by the burst's end.
class NoiseStream {
public:
    explicit NoiseStream(uint32_t seed) : random_(seed) {}

    void Fill(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = static_cast<uint8_t>(random_());
        }
        if (count < 8) {
            return;
        }
        // Fixed spots in the first half keep the planted pairs intact.
        const size_t spot = random_() % (count / 2 - 3);
        out[spot] = 0x00;
        out[spot + 1] = 0x81; // lead byte ...
        out[spot + 2] = 0x7F; // ... with a trail that GBK never uses
        out[spot + 3] = (random_() & 1) ? 0x80 : 0xFF;
        out[count - 1] = 0xB0;
    }

private:
    std::mt19937 random_;
};

// FNV-1a, 64 bits: the flood's checksum.
class Fnv1a64 {
public:
    void Update(const uint8_t* data, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            hash_ = (hash_ ^ data[i]) * 0x100000001b3ULL;
        }
        bytes_ += count;
    }
    uint64_t Value() const { return hash_; }
    uint64_t Bytes() const { return bytes_; }

private:
    uint64_t hash_ = 0xcbf29ce484222325ULL;
    uint64_t bytes_ = 0;
};

// The flood's content: a cheap pseudo-random byte stream (xorshift64), so that
// lost, doubled or reordered blocks change the checksum.
class FloodStream {
public:
    void Fill(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            out[i] = static_cast<uint8_t>(state_ >> 24);
        }
    }

private:
    uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

} // namespace tarvessa::sim
