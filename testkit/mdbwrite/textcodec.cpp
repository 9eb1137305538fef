#include "testkit/mdbwrite/textcodec.h"

namespace volmira::jet4 {

namespace {

// A character whose low byte is 0 would read as a mode toggle inside the compressed form.
bool compressible(const QString& text)
{
    for (const QChar c : text) {
        if ((c.unicode() & 0xFF) == 0)
            return false;
    }
    return true;
}

std::size_t compressedLength(const QString& text)
{
    std::size_t length = 2;
    bool oneByte = true;
    for (const QChar c : text) {
        const bool narrow = c.unicode() <= 0xFF;
        if (narrow != oneByte) {
            ++length;
            oneByte = narrow;
        }
        length += narrow ? 1 : 2;
    }
    return length;
}

}  // namespace

TextForm chooseTextForm(const QString& text, bool allowCompression)
{
    const bool startsWithMark = !text.isEmpty() && text.front().unicode() == 0xFEFF;
    if (!compressible(text))
        return startsWithMark ? TextForm::Unstorable : TextForm::Plain;
    if (startsWithMark)
        return TextForm::Compressed;
    if (allowCompression && !text.isEmpty() && compressedLength(text) < std::size_t(text.size()) * 2)
        return TextForm::Compressed;
    return TextForm::Plain;
}

void appendText(const QString& text, TextForm form, std::vector<std::uint8_t>& out)
{
    if (form != TextForm::Compressed) {
        const std::size_t start = out.size();
        out.resize(start + std::size_t(text.size()) * 2);
        std::uint8_t* p = out.data() + start;
        for (const QChar c : text) {
            *p++ = std::uint8_t(c.unicode() & 0xFF);
            *p++ = std::uint8_t(c.unicode() >> 8);
        }
        return;
    }
    out.push_back(0xFF);
    out.push_back(0xFE);
    bool oneByte = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool narrow = u <= 0xFF;
        if (narrow != oneByte) {
            out.push_back(0x00);
            oneByte = narrow;
        }
        out.push_back(std::uint8_t(u & 0xFF));
        if (!narrow)
            out.push_back(std::uint8_t(u >> 8));
    }
}

QString decodeText(const std::uint8_t* data, std::size_t length)
{
    QString text;
    if (length >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        text.reserve(int(length));
        bool oneByte = true;
        std::size_t i = 2;
        while (i < length) {
            if (data[i] == 0) {
                oneByte = !oneByte;
                ++i;
            } else if (oneByte) {
                text.append(QChar(data[i]));
                ++i;
            } else if (i + 1 < length) {
                text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
                i += 2;
            } else {
                break;
            }
        }
        return text;
    }
    text.resize(int(length / 2));
    for (std::size_t i = 0; i + 1 < length; i += 2)
        text[int(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}

}  // namespace volmira::jet4
