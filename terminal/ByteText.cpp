#include "terminal/ByteText.h"

#include "common/Convert.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstring>

namespace tarvessa {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kLeadFirst = 0x81;
constexpr int kLeadLast = 0xFE;
constexpr int kTrailFirst = 0x40;
constexpr int kTrailLast = 0xFE;
constexpr int kLeadCount = kLeadLast - kLeadFirst + 1;
constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;

bool IsLead(unsigned char b) {
    return b >= kLeadFirst && b <= kLeadLast;
}
bool IsTrail(unsigned char b) {
    return b >= kTrailFirst && b <= kTrailLast && b != 0x7F;
}

// What every GBK byte and byte pair shows as. Built once from the GBK decoder,
// so a received block is shown by table look-ups only: decoding a block piece
// by piece through the decoder costs far more, and a decoder fed the whole
// block would join a lead byte with a following control byte.
struct GbkTables {
    std::array<char16_t, 256> single{};
    // 0 where the pair decodes to no single character.
    std::array<std::array<char16_t, kTrailCount>, kLeadCount> pair{};

    GbkTables() {
        for (int b = 0; b < 0x80; ++b)
            single[b] = static_cast<char16_t>(b);
        for (int b = 0x01; b < 0x20; ++b)
            single[b] = static_cast<char16_t>(0x2400 + b);
        single[0x00] = 0x2400; // never shown: a 0 byte ends the text
        single[0x7F] = 0x2421;
        for (int b = 0x80; b < 0x100; ++b)
            single[b] = kReplacement;

        QStringDecoder decoder("GBK");
        if (!decoder.isValid())
            return; // no GBK in this Qt: every non-ASCII byte shows as U+FFFD

        // 0x80 is the euro sign in code page 936. 0xFF decodes to a private-use
        // stand-in, which is no character: it keeps U+FFFD.
        const QString euro = QStringDecoder("GBK").decode(QByteArray(1, '\x80'));
        if (euro.size() == 1 && euro[0].unicode() != kReplacement &&
            !(euro[0].unicode() >= 0xE000 && euro[0].unicode() < 0xF900))
            single[0x80] = euro[0].unicode();

        // Every pair followed by a line feed, decoded in one call: the line
        // feed can be no trail byte, so it cuts the result back into pairs.
        QByteArray all;
        all.reserve(kLeadCount * kTrailCount * 3);
        for (int lead = kLeadFirst; lead <= kLeadLast; ++lead)
            for (int trail = kTrailFirst; trail <= kTrailLast; ++trail)
                if (IsTrail(static_cast<unsigned char>(trail))) {
                    all.append(static_cast<char>(lead));
                    all.append(static_cast<char>(trail));
                    all.append('\n');
                }
        const QString decoded = decoder.decode(all);
        qsizetype at = 0;
        for (int lead = kLeadFirst; lead <= kLeadLast; ++lead)
            for (int trail = kTrailFirst; trail <= kTrailLast; ++trail) {
                if (!IsTrail(static_cast<unsigned char>(trail)))
                    continue;
                const qsizetype end = decoded.indexOf(u'\n', at);
                if (end < 0)
                    return;
                if (end - at == 1 && decoded[at].unicode() != kReplacement &&
                    !decoded[at].isSurrogate())
                    pair[lead - kLeadFirst][trail - kTrailFirst] = decoded[at].unicode();
                at = end + 1;
            }
    }
};

const GbkTables& Gbk() {
    static const GbkTables tables; // thread-safe one-time build
    return tables;
}

// "00" to "FF" for each byte value.
struct HexTable {
    std::array<std::array<char16_t, 2>, 256> digits{};
    constexpr HexTable() {
        constexpr char16_t kDigits[] = u"0123456789ABCDEF";
        for (int b = 0; b < 256; ++b)
            digits[b] = {kDigits[b >> 4], kDigits[b & 15]};
    }
};
constexpr HexTable kHex;

// The character (a whole surrogate pair where there is one) at index i.
QString CharacterAt(const QString& text, qsizetype i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return text.mid(i, 2);
    return text.mid(i, 1);
}

int DigitValue(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    // Anything else goes through the integer conversion, which fails with the
    // run-time message naming the character.
    return StrToInt(CharacterAt(text, i));
}

// Calls sink(byte) for every pair of the text, in order.
template <class Sink> void ReadHexPairs(const QString& text, Sink&& sink) {
    const qsizetype size = text.size();
    qsizetype ascii = 0;
    while (ascii < size && text[ascii].unicode() < 0x80)
        ++ascii;
    qsizetype pairs = size / 2;
    if (ascii < size) {
        // Up to the first non-ASCII character a character is a byte. That
        // character fails its pair unless it is the unpaired last byte, which
        // only a last character of one GBK byte (the euro sign, or one that
        // becomes '?') at an even position can be.
        const qsizetype tail = size - ascii;
        const bool alone = tail == 1 || (tail == 2 && text[ascii].isHighSurrogate() &&
                                         text[ascii + 1].isLowSurrogate());
        const bool unpaired = ascii % 2 == 0 && alone && TextToBytes(text.mid(ascii)).size() == 1;
        pairs = unpaired ? ascii / 2 : ascii / 2 + 1;
    }
    for (qsizetype k = 0; k < pairs; ++k) {
        const int high = DigitValue(text, 2 * k);
        const int low = DigitValue(text, 2 * k + 1);
        sink(high * 16 + low);
    }
}

} // namespace

QByteArray TextToBytes(const QString& text) {
    QStringEncoder encoder("GBK");
    if (encoder.isValid()) {
        QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError())
            return bytes;
    }
    // Some character does not encode (the encoder drops a lone surrogate
    // without a trace): go character by character and put '?' in its place.
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        const QString one = CharacterAt(text, i);
        i += one.size();
        QByteArray encoded;
        bool ok = false;
        if (encoder.isValid()) {
            QStringEncoder single("GBK");
            encoded = single.encode(one);
            ok = !single.hasError() && !encoded.isEmpty();
        } else if (one.size() == 1 && one[0].unicode() < 0x80) {
            encoded = QByteArray(1, static_cast<char>(one[0].unicode()));
            ok = true;
        }
        if (ok)
            bytes.append(encoded);
        else
            bytes.append('?');
    }
    return bytes;
}

QByteArray HexPairsToBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    ReadHexPairs(text, [&](int byte) { bytes.append(static_cast<char>(byte)); });
    return bytes;
}

int64_t HexPairSum(const QString& text) {
    int64_t sum = 0;
    ReadHexPairs(text, [&](int byte) { sum += byte; });
    return sum;
}

QString BytesToHexPairs(const char* data, size_t n) {
    QString text(static_cast<qsizetype>(2 * n), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n; ++i) {
        const auto& pair = kHex.digits[bytes[i]];
        *out++ = pair[0];
        *out++ = pair[1];
    }
    return text;
}

QString BytesToDisplayText(const char* data, size_t n) {
    if (n == 0)
        return {};
    if (const void* zero = std::memchr(data, 0, n))
        n = static_cast<size_t>(static_cast<const char*>(zero) - data);
    const GbkTables& gbk = Gbk();
    QString text(static_cast<qsizetype>(n), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* out = begin;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    for (size_t i = 0; i < n;) {
        const unsigned char b = bytes[i];
        if (IsLead(b)) {
            // A lead byte takes the next byte only when that forms a character;
            // otherwise it stands alone and the next byte is read afresh.
            if (i + 1 < n && IsTrail(bytes[i + 1])) {
                const char16_t c = gbk.pair[b - kLeadFirst][bytes[i + 1] - kTrailFirst];
                if (c != 0) {
                    *out++ = c;
                    i += 2;
                    continue;
                }
            }
            *out++ = kReplacement;
            ++i;
        } else {
            *out++ = gbk.single[b];
            ++i;
        }
    }
    text.truncate(out - begin);
    return text;
}

QString SumDecimalText(int64_t sum) {
    return QString::number(sum);
}

QString SumHexText(int64_t sum) {
    // A negative sum cannot occur; it would show as its 64-bit pattern.
    return QString::number(static_cast<quint64>(sum), 16).toUpper();
}

} // namespace tarvessa
