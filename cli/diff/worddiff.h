#pragma once

#include <QString>

#include <vector>

namespace volmira::diff {

// A stretch of a compared text: in both texts, only in the old one or only in the new one.
struct WordSpan final {
    enum class Kind { Same, Removed, Added };
    Kind kind;
    QString text;
};

// The two texts compared by words (runs of non-blanks and the blanks between them): the words they share
// in order, and those only one of them has, adjacent spans of one kind joined. The comparison beyond the
// shared beginning and end is bounded; past the bound the differing middle is one removal and one addition.
std::vector<WordSpan> compareWords(const QString& before, const QString& after);

}  // namespace volmira::diff
