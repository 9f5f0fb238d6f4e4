#pragma once

#include <QChar>
#include <QString>

namespace tarvessa {

// Character check of an operand field. Digits always pass; "-" passes only for
// a decimal operand (wholeNumber false); "." is counted, at most one for a
// decimal operand and none for a whole number; anything else fails. The check
// looks at every character and says nothing about where "-" or "." stand:
// "5-" and "-" pass and are left to OperandToDouble.
bool CheckOperand(const QString& text, bool wholeNumber);

// The decimal separator of the user's locale, used for reading operands and
// writing results. "." under the usual locales.
QChar LocaleDecimalSeparator();

// Operand text to the nearest double: an optional sign, digits, optionally the
// separator and more digits; at least one digit or the separator after the
// sign, nothing after the number ("5." is 5, ".5" is 0.5, "." and "-." are 0).
// Refused texts raise EConvertError "'<text>' is not a valid floating point
// value"; a value beyond the double range raises EOverflow "Floating point
// overflow"; a value too small for a double becomes 0 or a denormal quietly.
double OperandToDouble(const QString& text, QChar separator = u'.');

} // namespace tarvessa
