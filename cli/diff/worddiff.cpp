#include "cli/diff/worddiff.h"

#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

namespace volmira::diff {

namespace {

// Beyond this much work (edits tried times words) the middle of two texts is not searched for words
// they share: a description of a million words must not make the comparison wait.
constexpr long long maximumWork = 4'000'000;

enum class Step : unsigned char { Same, Remove, Add };

// The fewest removals and additions that turn x into y, with the words they keep (E. Myers, "An O(ND)
// difference algorithm", 1986): the work grows with the texts' length times the edits, so a rewritten
// phrase in a long description costs little. Empty when the work would pass maximumWork.
std::vector<Step> shortestEdit(const std::vector<std::uint32_t>& x, const std::vector<std::uint32_t>& y)
{
    const long long n = (long long)x.size();
    const long long m = (long long)y.size();
    const long long most = n + m;
    // No more edits are tried than the bound on the work allows, and no diagonal beyond them is kept.
    const long long reach = std::min(most, maximumWork / std::max(most, 1LL));
    // furthest[reach + 1 + k]: the furthest word of x reached on diagonal k (x index minus y index).
    std::vector<long long> furthest(std::size_t(2 * reach + 3), 0);
    const auto at = [&](long long k) -> long long& { return furthest[std::size_t(reach + 1 + k)]; };
    std::vector<std::vector<long long>> trace;  // trace[d]: the diagonals -d..d after d edits
    long long edits = -1;
    for (long long d = 0; d <= most && edits < 0; ++d) {
        if (d > reach)
            return {};
        for (long long k = -d; k <= d; k += 2) {
            long long i = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            long long j = i - k;
            while (i < n && j < m && x[std::size_t(i)] == y[std::size_t(j)]) {
                ++i;
                ++j;
            }
            at(k) = i;
            if (i >= n && j >= m) {
                edits = d;
                break;
            }
        }
        trace.emplace_back(furthest.begin() + (reach + 1 - d), furthest.begin() + (reach + 2 + d));
    }
    std::vector<Step> steps;
    long long i = n, j = m;
    for (long long d = edits; d > 0; --d) {
        const std::vector<long long>& before = trace[std::size_t(d - 1)];
        const auto reached = [&](long long k) { return before[std::size_t(k + d - 1)]; };
        const long long k = i - j;
        const bool added = k == -d || (k != d && reached(k - 1) < reached(k + 1));
        const long long fromK = added ? k + 1 : k - 1;
        const long long fromI = reached(fromK);
        const long long fromJ = fromI - fromK;
        const long long snakeFrom = added ? fromI : fromI + 1;
        for (; i > snakeFrom; --i, --j)
            steps.push_back(Step::Same);
        steps.push_back(added ? Step::Add : Step::Remove);
        i = fromI;
        j = fromJ;
    }
    for (; i > 0; --i)
        steps.push_back(Step::Same);
    std::reverse(steps.begin(), steps.end());
    return steps;
}

// Numbers words in the order they first come: a table of open addressing, at most half full, so that
// numbering a text costs no allocation per word (the standard library's string hash; Qt's seeded one
// is several times slower).
class WordNumbers final {
public:
    explicit WordNumbers(std::size_t words)
    {
        std::size_t capacity = 16;
        while (capacity < 2 * words)
            capacity *= 2;
        slots_.resize(capacity);
        distinct_.reserve(words);
    }

    std::uint32_t numberOf(std::u16string_view word)
    {
        const std::size_t hash = std::hash<std::u16string_view>{}(word);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = slots_[at];
            if (slot.numberPlusOne == 0) {
                distinct_.push_back(word);
                slot = {hash, std::uint32_t(distinct_.size())};
                return slot.numberPlusOne - 1;
            }
            if (slot.hash == hash && distinct_[slot.numberPlusOne - 1] == word)
                return slot.numberPlusOne - 1;
        }
    }

private:
    struct Slot {
        std::size_t hash = 0;
        std::uint32_t numberPlusOne = 0;  // 0: empty
    };
    std::vector<Slot> slots_;
    std::vector<std::u16string_view> distinct_;
};

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
    // The words are compared by number: each distinct word of the two middles has one.
    WordNumbers numbers(n + m);
    const auto numbered = [&numbers](const std::vector<QStringView>& words, std::size_t from, std::size_t count) {
        std::vector<std::uint32_t> out;
        out.reserve(count);
        for (std::size_t k = from; k < from + count; ++k)
            out.push_back(numbers.numberOf(std::u16string_view(words[k].utf16(), std::size_t(words[k].size()))));
        return out;
    };
    const std::vector<Step> steps =
        n == 0 || m == 0 ? std::vector<Step>() : shortestEdit(numbered(a, prefix, n), numbered(b, prefix, m));
    if (steps.empty()) {
        for (std::size_t i = 0; i < n; ++i)
            append(spans, WordSpan::Kind::Removed, a[prefix + i]);
        for (std::size_t j = 0; j < m; ++j)
            append(spans, WordSpan::Kind::Added, b[prefix + j]);
    } else {
        std::size_t i = prefix, j = prefix;
        for (const Step step : steps) {
            if (step == Step::Same) {
                append(spans, WordSpan::Kind::Same, a[i++]);
                ++j;
            } else if (step == Step::Remove) {
                append(spans, WordSpan::Kind::Removed, a[i++]);
            } else {
                append(spans, WordSpan::Kind::Added, b[j++]);
            }
        }
    }
    for (std::size_t i = a.size() - suffix; i < a.size(); ++i)
        append(spans, WordSpan::Kind::Same, a[i]);
    return joinChanges(spans);
}

}  // namespace volmira::diff
