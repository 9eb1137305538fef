#include "dictionary/reader/usagemap.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetformat.h"
#include "dictionary/reader/tabledefinition.h"

namespace volmira::reader {

namespace {

[[noreturn]] void damagedTable(const std::string& table, const std::string& what)
{
    throw Failure{ErrorNumber::DamagedData, "table '" + table + "' " + what};
}

}  // namespace

PageWalker::PageWalker(Pages& pages, const TableDefinition& table)
    : pages_(pages), table_(table), map_(table.usageMap),
      bitmapBits_(8 * static_cast<std::size_t>(pages.size() - jet::kUsageBitmapPageHeader))
{
    if (map_.empty())
        return;
    if (map_[0] == jet::kInlineUsageMap && map_.size() < jet::kInlineUsageMapHeader)
        damagedTable(table_.name, "has a cut usage map");
    if (map_[0] != jet::kInlineUsageMap && map_[0] != jet::kPagedUsageMap)
        damagedTable(table_.name, "has a usage map of unknown kind " + std::to_string(map_[0]));
}

bool PageWalker::next(Page& page)
{
    const std::uint64_t number = map_.empty()                        ? nextOwnPage()
                                 : map_[0] == jet::kInlineUsageMap ? nextInline()
                                                                   : nextPaged();
    if (number == kNoPage)
        return false;
    if (number >= pages_.count())
        damagedTable(table_.name, "lists page " + std::to_string(number) + " past the end of the file, which has "
                                      + std::to_string(pages_.count()) + " pages");
    current_ = static_cast<std::uint32_t>(number);
    if (current_ == 0)
        damagedTable(table_.name, "lists page 0, which is not one of its data pages");
    pages_.load(current_, page);
    if (page.data()[0] != jet::kPageData || jet::get32(page.data() + 4) != table_.page)
        damagedTable(table_.name, "lists page " + std::to_string(current_) + ", which is not one of its data pages");
    return true;
}

// A table without a usage map: its pages are found by their owner instead.
std::uint64_t PageWalker::nextOwnPage()
{
    while (++current_ < pages_.count()) {
        pages_.load(current_, scratch_);
        if (scratch_.data()[0] == jet::kPageData && jet::get32(scratch_.data() + 4) == table_.page)
            return current_;
    }
    return kNoPage;
}

std::uint64_t PageWalker::nextInline()
{
    const std::uint64_t start = jet::get32(map_.data() + 1);
    const std::size_t bits = 8 * (map_.size() - jet::kInlineUsageMapHeader);
    while (bit_ < bits) {
        const std::size_t i = bit_++;
        if (map_[jet::kInlineUsageMapHeader + i / 8] >> (i % 8) & 1)
            return start + i;
    }
    return kNoPage;
}

std::uint64_t PageWalker::nextPaged()
{
    const std::size_t slots = (map_.size() - 1) / 4;
    for (; slot_ < slots; ++slot_, bit_ = 0) {
        const std::uint32_t mapPage = jet::get32(map_.data() + 1 + 4 * slot_);
        if (mapPage == 0)
            continue;
        if (bit_ == 0) {
            if (!pages_.tryLoad(mapPage, scratch_))
                damagedTable(table_.name,
                             "has its usage map on page " + std::to_string(mapPage) + ", past the end of the file");
            if (scratch_.data()[0] != jet::kPageUsageBitmap)
                damagedTable(table_.name,
                             "has its usage map on page " + std::to_string(mapPage) + ", which is no usage bitmap");
        }
        const unsigned char* bitmap = scratch_.data() + jet::kUsageBitmapPageHeader;
        while (bit_ < bitmapBits_) {
            const std::size_t i = bit_++;
            if (bitmap[i / 8] >> (i % 8) & 1)
                return std::uint64_t(slot_) * bitmapBits_ + i;
        }
    }
    return kNoPage;
}

}  // namespace volmira::reader
