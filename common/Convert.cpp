#include "common/Convert.h"

#include "common/Exception.h"

namespace tarvessa {

bool TryStrToInt(const QString& text, int32_t& value) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return false;
    // Accumulate as a negative number so that -2147483648 fits.
    int64_t acc = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        acc = acc * 10 + (c - u'0');
        if (acc > int64_t{INT32_MAX} + 1)
            return false;
    }
    if (!negative && acc > INT32_MAX)
        return false;
    value = static_cast<int32_t>(negative ? -acc : acc);
    return true;
}

int32_t StrToInt(const QString& text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

bool IsDigitsOnly(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace tarvessa
