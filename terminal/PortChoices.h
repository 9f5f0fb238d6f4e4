#pragma once

#include "serial/LineConfig.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace tarvessa {

// The rates of the baud-rate list, by index.
inline constexpr std::array<uint32_t, 41> RateTable = {
    75,     110,    134,    150,    220,    300,    330,     600,    660,    900,    1200,
    1800,   2400,   4800,   5700,   6400,   7200,   9600,    11400,  14400,  16550,  19200,
    22800,  28800,  33600,  38400,  56000,  57600,  76800,   115200, 128000, 153600, 230400,
    256000, 307200, 460800, 512000, 614400, 921600, 1024000, 1228800};

// The rate a user typed: digits only, and within the 32-bit range. Anything
// else (empty, a sign, a blank, a letter, too many digits) is no rate.
std::optional<uint32_t> TypedRate(const QString& text);

// Data-bits list index 1..4 gives 5..8 bits; 0 (4 bits) and 5 (9 bits) have
// no setting.
std::optional<TByteSize> ByteSizeForIndex(int index);

// Parity list order is None, Even, Odd, Mark, Space: mapped by meaning.
struct ParityChoice {
    bool check;
    TParity parity;
};
std::optional<ParityChoice> ParityForIndex(int index);

std::optional<TStopBits> StopBitsForIndex(int index);

// "COM1" to "COM48" for list indexes 0 to 47.
QString PortNameForIndex(int index);

} // namespace tarvessa
