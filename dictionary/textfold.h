#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmira {

// Text comparison that ignores letter case, for every script Unicode folds, on UTF-8 text as the
// in-memory database stores it. Invalid UTF-8 is compared byte by byte and never read past its end.
namespace textfold {

// <0, 0 or >0 as a sorts before, equal to or after b, comparing case-folded code points.
int compare(std::string_view a, std::string_view b) noexcept;

// The case-folded code points of a text, prepared once for many searches.
std::vector<char32_t> foldedCodePoints(std::string_view text);

// The text with every code point case-folded, as UTF-8: two texts are equal ignoring letter case exactly
// when their folded forms are equal, and one contains the other exactly when the folded forms do.
std::string foldedUtf8(std::string_view text);
void appendFolded(std::string& out, std::string_view text);

// The 1-based position, counted in UTF-16 units as Jet counts, of the first occurrence of the folded
// needle in text; 0 when it does not occur or text is empty; 1 for an empty needle in a non-empty text.
long long find(std::string_view text, const std::vector<char32_t>& foldedNeedle) noexcept;

}  // namespace textfold
}  // namespace volmira
