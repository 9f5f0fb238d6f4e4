#pragma once

#include <QString>

namespace tarvessa {

enum class ConversionStatus {
    Ok,            // text holds the converted number
    InvalidFormat, // a character outside the admitted digits, or an empty text
    TooLarge,      // decimal value above 2147483647: nothing to convert
};

struct ConversionResult {
    ConversionStatus status = ConversionStatus::InvalidFormat;
    QString text;
};

// Hexadecimal digits ("0"-"9", "a"-"f", "A"-"F") to a signed decimal text. The
// value wraps modulo 2^64 and is read as two's complement: sixteen "F" give
// "-1", digits before the last sixteen add nothing (but are still checked).
ConversionResult HexToDec(const QString& text);

// Decimal digits only ("0"-"9", leading zeros allowed) to upper-case
// hexadecimal without prefix, "0" for zero. A value above 2147483647 is
// refused as TooLarge rather than converted into a wrong result.
ConversionResult DecToHex(const QString& text);

} // namespace tarvessa
