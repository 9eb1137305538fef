#include "dictionary/filename.h"

namespace volmira {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The code point of a well-formed UTF-8 sequence at p (shortest form, no surrogates), and its length;
// 0 when the bytes there are no such sequence.
int decodeOne(const unsigned char* p, qsizetype left, char32_t* codePoint)
{
    const unsigned char lead = p[0];
    int length;
    char32_t value;
    char32_t least;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (p[i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

}  // namespace

QString fileNameFromBytes(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t codePoint = 0;
        const int length = decodeOne(p + i, size - i, &codePoint);
        if (length == 0) {
            name += QChar(char16_t(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        const char32_t text[1] = {codePoint};
        name += QString::fromUcs4(text, 1);
        i += length;
    }
    return name;
}

QByteArray fileNameToBytes(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes += QStringView(name).mid(runStart, end - runStart).toUtf8();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        const bool pairedLow = i > 0 && name.at(i - 1).isHighSurrogate();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !pairedLow) {
            flushRun(i);
            bytes += char(unit - kEscapeBase);
            runStart = i + 1;
        }
    }
    flushRun(name.size());
    return bytes;
}

QString fileNameArgument(int argc, char** argv, const QString& decoded)
{
    for (int i = 1; i < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == decoded)
            return fileNameFromBytes(argv[i]);
    return decoded;
}

}  // namespace volmira
