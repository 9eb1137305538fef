#include "cli/diff/worddiff.h"

#include <QHash>
#include <QStringView>

#include <algorithm>
#include <cstdint>

namespace volmira::diff {

namespace {

// Beyond this many cells of the comparison table the middle of two texts is not searched for words
// they share: a description of a million words must not make the comparison wait.
constexpr std::size_t maximumCells = 4'000'000;

std::vector<QStringView> words(const QString& text)
{
    std::vector<QStringView> found;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i).isSpace() != text.at(start).isSpace()) {
            found.push_back(QStringView(text).mid(start, i - start));
            start = i;
        }
    }
    return found;
}

void append(std::vector<WordSpan>& spans, WordSpan::Kind kind, QStringView text)
{
    if (text.isEmpty())
        return;
    if (!spans.empty() && spans.back().kind == kind)
        spans.back().text += text;
    else
        spans.push_back({kind, text.toString()});
}

bool blank(const WordSpan& span) { return span.kind == WordSpan::Kind::Same && span.text.trimmed().isEmpty(); }

// The blanks between two changed words belong to the change, so that a rewritten phrase reads as one
// removal and one addition rather than word against word.
std::vector<WordSpan> joinChanges(const std::vector<WordSpan>& spans)
{
    std::vector<WordSpan> joined;
    QString removed, added;
    const auto flush = [&] {
        if (!removed.isEmpty())
            joined.push_back({WordSpan::Kind::Removed, removed});
        if (!added.isEmpty())
            joined.push_back({WordSpan::Kind::Added, added});
        removed.clear();
        added.clear();
    };
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const WordSpan& span = spans[i];
        const bool between = i > 0 && i + 1 < spans.size() && blank(span) && spans[i - 1].kind != WordSpan::Kind::Same
                             && spans[i + 1].kind != WordSpan::Kind::Same;
        if (span.kind == WordSpan::Kind::Removed || between)
            removed += span.text;
        if (span.kind == WordSpan::Kind::Added || between)
            added += span.text;
        if (span.kind == WordSpan::Kind::Same && !between) {
            flush();
            joined.push_back(span);
        }
    }
    flush();
    return joined;
}

}  // namespace

std::vector<WordSpan> compareWords(const QString& before, const QString& after)
{
    const std::vector<QStringView> a = words(before);
    const std::vector<QStringView> b = words(after);
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix
           && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const std::size_t n = a.size() - prefix - suffix;
    const std::size_t m = b.size() - prefix - suffix;

    std::vector<WordSpan> spans;
    for (std::size_t i = 0; i < prefix; ++i)
        append(spans, WordSpan::Kind::Same, a[i]);
    if (n == 0 || m == 0 || (n + 1) * (m + 1) > maximumCells) {
        for (std::size_t i = 0; i < n; ++i)
            append(spans, WordSpan::Kind::Removed, a[prefix + i]);
        for (std::size_t j = 0; j < m; ++j)
            append(spans, WordSpan::Kind::Added, b[prefix + j]);
    } else {
        // The table compares each distinct word's number, not the words.
        QHash<QStringView, std::uint32_t> numbers;
        const auto numbered = [&numbers](const std::vector<QStringView>& words, std::size_t from, std::size_t count) {
            std::vector<std::uint32_t> out;
            out.reserve(count);
            for (std::size_t k = from; k < from + count; ++k) {
                auto known = numbers.constFind(words[k]);
                if (known == numbers.constEnd())
                    known = numbers.insert(words[k], std::uint32_t(numbers.size()));
                out.push_back(*known);
            }
            return out;
        };
        const std::vector<std::uint32_t> x = numbered(a, prefix, n);
        const std::vector<std::uint32_t> y = numbered(b, prefix, m);
        // lengths[i][j]: the longest run of shared words of a[i..] and b[j..]
        const std::size_t width = m + 1;
        std::vector<std::uint32_t> lengths((n + 1) * width, 0);
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = m; j-- > 0;) {
                lengths[i * width + j] = x[i] == y[j] ? lengths[(i + 1) * width + j + 1] + 1
                                                      : std::max(lengths[(i + 1) * width + j], lengths[i * width + j + 1]);
            }
        }
        std::size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && x[i] == y[j]) {
                append(spans, WordSpan::Kind::Same, a[prefix + i]);
                ++i;
                ++j;
            } else if (j == m || (i < n && lengths[(i + 1) * width + j] >= lengths[i * width + j + 1])) {
                append(spans, WordSpan::Kind::Removed, a[prefix + i]);
                ++i;
            } else {
                append(spans, WordSpan::Kind::Added, b[prefix + j]);
                ++j;
            }
        }
    }
    for (std::size_t i = a.size() - suffix; i < a.size(); ++i)
        append(spans, WordSpan::Kind::Same, a[i]);
    return joinChanges(spans);
}

}  // namespace volmira::diff
