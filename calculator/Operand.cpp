#include "calculator/Operand.h"

#include "calculator/Arithmetic.h"
#include "common/Exception.h"

#include <QLocale>
#include <charconv>
#include <string>

namespace tarvessa {

namespace {

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

[[noreturn]] void RaiseNotAFloat(const QString& text) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

} // namespace

bool CheckOperand(const QString& text, bool wholeNumber) {
    int invalid = 0;
    int points = 0;
    for (QChar c : text) {
        if (IsDigit(c))
            continue;
        if (c == u'-') {
            if (wholeNumber)
                ++invalid;
        } else if (c == u'.') {
            ++points;
        } else {
            ++invalid;
        }
    }
    return invalid == 0 && points < (wholeNumber ? 1 : 2);
}

QChar LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    // A separator of more than one code unit cannot be typed into an operand
    // the check admits anyway; fall back to the plain point.
    return point.size() == 1 ? point.front() : QChar(u'.');
}

double OperandToDouble(const QString& text, QChar separator) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }

    // The digits are copied into a plain ASCII number so that the reading does
    // not depend on the C library's locale.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()) + 3);
    if (negative)
        ascii += '-';
    const size_t wholeStart = ascii.size();
    for (; i < text.size() && IsDigit(text[i]); ++i)
        ascii += static_cast<char>(text[i].unicode());
    const bool hasWholeDigits = ascii.size() > wholeStart;
    bool nonZeroWhole = false;
    for (size_t k = wholeStart; k < ascii.size(); ++k)
        nonZeroWhole = nonZeroWhole || ascii[k] != '0';
    if (!hasWholeDigits)
        ascii += '0';

    bool hasSeparator = false;
    if (i < text.size() && text[i] == separator) {
        hasSeparator = true;
        ++i;
        ascii += '.';
        for (; i < text.size() && IsDigit(text[i]); ++i)
            ascii += static_cast<char>(text[i].unicode());
    }
    if ((!hasWholeDigits && !hasSeparator) || i != text.size())
        RaiseNotAFloat(text);

    double value = 0.0;
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // from_chars reports both ends of the range alike and leaves the value
        // alone: a number with a non-zero whole part is too large, any other
        // is too small and becomes zero.
        if (nonZeroWhole)
            RaiseFloatingPointOverflow();
        return negative ? -0.0 : 0.0;
    }
    if (error != std::errc{} || end != last)
        RaiseNotAFloat(text);
    return value;
}

} // namespace tarvessa
