#include "calculator/ResultFormat.h"

#include "calculator/Arithmetic.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tarvessa {

namespace {

constexpr int kSignificantDigits = 15;
// Every double has at most 767 significant decimal digits, so this many
// digits after the first show its value exactly.
constexpr int kExactPrecision = 770;

} // namespace

QString FormatResult(double value, QChar separator) {
    if (!std::isfinite(value))
        RaiseFloatingPointOverflow();
    if (value == 0.0)
        return QStringLiteral("0");

    // The exact decimal value, then our own rounding: printf-style rounding to
    // 15 digits would round exact halves to even, not away from zero.
    std::array<char, kExactPrecision + 32> exact{};
    const auto written = std::to_chars(exact.data(), exact.data() + exact.size(), std::fabs(value),
                                       std::chars_format::scientific, kExactPrecision);
    const std::string_view text(exact.data(), static_cast<size_t>(written.ptr - exact.data()));
    const size_t expAt = text.find('e');
    std::string digits;
    digits += text[0];
    digits.append(text.substr(2, expAt - 2)); // skip "d."
    int exponent = std::atoi(std::string(text.substr(expAt + 1)).c_str()) + 1;

    const bool roundUp = digits[kSignificantDigits] >= '5';
    digits.resize(kSignificantDigits);
    if (roundUp) {
        int k = kSignificantDigits - 1;
        while (k >= 0 && digits[static_cast<size_t>(k)] == '9')
            digits[static_cast<size_t>(k--)] = '0';
        if (k < 0) {
            digits.assign(1, '1');
            ++exponent;
        } else {
            ++digits[static_cast<size_t>(k)];
        }
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int count = static_cast<int>(digits.size());

    QString out;
    if (value < 0)
        out += u'-';
    if (exponent >= -3 && exponent <= kSignificantDigits) {
        if (exponent <= 0) {
            out += u'0';
            out += separator;
            out += QString(-exponent, u'0');
            out += QString::fromLatin1(digits);
        } else {
            out += QString::fromLatin1(digits.substr(0, static_cast<size_t>(exponent)));
            if (count < exponent)
                out += QString(exponent - count, u'0');
            if (count > exponent) {
                out += separator;
                out += QString::fromLatin1(digits.substr(static_cast<size_t>(exponent)));
            }
        }
    } else {
        out += QChar::fromLatin1(digits[0]);
        if (count > 1) {
            out += separator;
            out += QString::fromLatin1(digits.substr(1));
        }
        out += u'E';
        out += QString::number(exponent - 1);
    }
    return out;
}

} // namespace tarvessa
