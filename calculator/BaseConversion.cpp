#include "calculator/BaseConversion.h"

#include "common/Convert.h"

#include <cstdint>

namespace tarvessa {

namespace {

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

ConversionResult HexToDec(const QString& text) {
    if (text.isEmpty())
        return {};
    // Unsigned arithmetic wraps modulo 2^64 without undefined behaviour.
    uint64_t sum = 0;
    for (QChar c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return {};
        sum = sum * 16 + static_cast<uint64_t>(digit);
    }
    return {ConversionStatus::Ok, QString::number(static_cast<int64_t>(sum))};
}

ConversionResult DecToHex(const QString& text) {
    if (!IsDigitsOnly(text))
        return {};
    int32_t value = 0;
    // Only digits are left, so the one way to fail is a value beyond int32.
    if (!TryStrToInt(text, value))
        return {ConversionStatus::TooLarge, {}};
    return {ConversionStatus::Ok, QString::number(value, 16).toUpper()};
}

} // namespace tarvessa
