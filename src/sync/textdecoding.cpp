// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdecoding.h"

#include <optional>

#if QT_VERSION_MAJOR >= 6
#include <QStringDecoder>
#else
#include <QTextCodec>
#endif

namespace {

// What Windows-1252 makes of the bytes 0x80 to 0x9F; the five it leaves undefined
// stand for themselves, as in Latin-1.
const char16_t windows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QChar windows1252Char(uchar byte)
{
    return byte >= 0x80 && byte < 0xA0 ? QChar(windows1252[byte - 0x80]) : QChar(byte);
}

// The code point of the well-formed UTF-8 sequence at the start of bytes, and its
// length; a length of 0 when the sequence is not well formed.
uint utf8CodePoint(const uchar *bytes, qsizetype available, int *length)
{
    const uchar lead = bytes[0];
    uint codePoint = 0;
    *length = 0;
    int size = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        codePoint = lead & 0x07;
    }
    if (size == 0 || available < size)
        return 0;
    for (int i = 1; i < size; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    const uint smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[size] || codePoint > 0x10FFFF
            || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    *length = size;
    return codePoint;
}

// Each byte that is not part of a valid sequence is read as Windows-1252.
QString decodeMixedUtf8(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    QString text;
    text.reserve(size);
    for (qsizetype i = 0; i < size;) {
        int length = 1;
        if (bytes[i] < 0x80) {
            text += QChar(bytes[i]);
        } else if (const uint codePoint = utf8CodePoint(bytes + i, size - i, &length)) {
            text += QString::fromUcs4(&codePoint, 1);
        } else {
            length = 1;
            text += windows1252Char(bytes[i]);
        }
        i += length;
    }
    return text;
}

// Qt's decoder is the fast path; a sequence it finds invalid, or cut off at the end,
// sends the whole file the careful way, which reads a real U+FFFD alike.
QString decodeUtf8(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    return text.contains(QChar::ReplacementCharacter) ? decodeMixedUtf8(bytes) : text;
}

// The two Qt versions reach a marked file's encoding and the system's differently.
#if QT_VERSION_MAJOR >= 6

std::optional<QString> decodeMarked(const QByteArray &bytes)
{
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
    if (!marked)
        return std::nullopt;
    if (*marked == QStringConverter::Utf8)
        return decodeUtf8(bytes.mid(3));
    // The decoder drops the mark itself.
    return QString(QStringDecoder(*marked)(bytes));
}

// Qt 6 takes the system's encoding for UTF-8 on every Unix.
QString decodeUnmarked(const QByteArray &bytes)
{
    return decodeUtf8(bytes);
}

} // namespace

QByteArray encodeText(const QString &text)
{
    return text.toUtf8();
}

#else

const int utf8Mib = 106;

std::optional<QString> decodeMarked(const QByteArray &bytes)
{
    QTextCodec *marked = QTextCodec::codecForUtfText(bytes, nullptr);
    if (!marked)
        return std::nullopt;
    if (marked->mibEnum() == utf8Mib)
        return decodeUtf8(bytes.mid(3));
    // The codec drops the mark itself.
    return marked->toUnicode(bytes);
}

QString decodeUnmarked(const QByteArray &bytes)
{
    QTextCodec *locale = QTextCodec::codecForLocale();
    return locale->mibEnum() == utf8Mib ? decodeUtf8(bytes) : locale->toUnicode(bytes);
}

} // namespace

QByteArray encodeText(const QString &text)
{
    return QTextCodec::codecForLocale()->fromUnicode(text);
}

#endif

QString decodeText(const QByteArray &bytes)
{
    if (const std::optional<QString> marked = decodeMarked(bytes))
        return *marked;
    return decodeUnmarked(bytes);
}
