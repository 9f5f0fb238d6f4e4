#pragma once

// The byte text of the serial side: how the Send area becomes bytes, how a
// received block is shown, and how the area sums read their text. The 8-bit
// character set is GBK (code page 936); ASCII is unchanged.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tarvessa {

// The text mode's bytes: the text encoded as GBK. A character GBK cannot
// encode (an emoji, a lone surrogate) becomes one '?' byte, as the 8-bit
// conversion of the system does, so the byte count never silently shrinks.
QByteArray TextToBytes(const QString& text);

// The hexadecimal mode's bytes: pairs of digits from the first character on,
// high digit first, no separators, a last unpaired character ignored. Digits
// are 0-9, a-f and A-F in any case. Any other character raises EConvertError
// "'<c>' is not a valid integer value" before a byte is returned; the pairs
// are checked in order, the high digit before the low one.
//
// Pairs are counted over the text's GBK bytes, as the Send area holds them: a
// Chinese character counts as two, so it fails even in the last position.
QByteArray HexPairsToBytes(const QString& text);

// Each byte as two upper-case hexadecimal digits, no separator.
QString BytesToHexPairs(const char* data, size_t n);

// The text mode's shown text: the bytes up to the first 0 byte, decoded as
// GBK. A valid double-byte pair is one character. Control bytes 0x01-0x1F and
// 0x7F show as their Unicode control pictures (U+2401-U+241F, U+2421) so a
// one-line field neither swallows nor acts on them; a byte that forms no
// character (a lead byte without a valid trail byte, 0xFF) shows as U+FFFD.
QString BytesToDisplayText(const char* data, size_t n);

// The area sum: the text read as hexadecimal pairs (same rules and error as
// HexPairsToBytes), each pair adding its byte value.
int64_t HexPairSum(const QString& text);

// The sum's texts behind "DEC=" and "HEX=": decimal, and upper-case hex
// without leading zeros ("0" for 0).
QString SumDecimalText(int64_t sum);
QString SumHexText(int64_t sum);

} // namespace tarvessa
