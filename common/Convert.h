#pragma once

#include <QString>
#include <cstdint>

namespace tarvessa {

// Decimal text to a signed 32-bit integer: an optional sign followed by one or
// more digits, nothing else. Anything else, or a value outside the 32-bit
// range, raises EConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(const QString& text);

// The same rule without raising: false when the text does not convert.
bool TryStrToInt(const QString& text, int32_t& value);

// True when the text is not empty and made of the digits 0 to 9 only.
bool IsDigitsOnly(const QString& text);

} // namespace tarvessa
