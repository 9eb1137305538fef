#pragma once

// Jet 4.0 text storage: plain UCS-2 little-endian, or the compressed form (FF FE, then runs of one-byte
// and two-byte characters separated by 00 toggles).

#include <QString>

#include <cstdint>
#include <vector>

namespace volmira::jet4 {

enum class TextForm { Plain, Compressed, Unstorable };

// Which form `text` is stored in: compressed where that is shorter and allowed, and always when the text
// starts with U+FEFF (its plain form would start with FF FE and read as compressed). A text that starts
// with U+FEFF but cannot be compressed (it holds a character whose low byte is 0) cannot be stored.
TextForm chooseTextForm(const QString& text, bool allowCompression);

// Appends the stored bytes of `text` in `form` (Plain or Compressed) to `out`.
void appendText(const QString& text, TextForm form, std::vector<std::uint8_t>& out);

// Decodes stored text (either form), as the readers do.
QString decodeText(const std::uint8_t* data, std::size_t length);

}  // namespace volmira::jet4
