#pragma once

#include <QChar>
#include <QString>

namespace tarvessa {

// A result in the general format with 15 significant digits: the exact value
// rounded half away from zero, trailing zeros dropped, fixed notation for
// 0.0001 <= |v| < 1E15 (after rounding) and otherwise "1.5E-7", "-2.5E20",
// "1E15". Zero of either sign is "0". The callers never pass an infinity or a
// NaN (the arithmetic raises EOverflow first); such a value raises EOverflow
// here too.
QString FormatResult(double value, QChar separator = u'.');

} // namespace tarvessa
