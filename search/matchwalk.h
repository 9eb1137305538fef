#pragma once

#include "dictionary/recordset.h"

#include <memory>

namespace volmira {

// Where the walk through a search's matches stands (search/matchnavigation.cpp walks it). A search
// starts it afresh; each table the walk enters sets its table row and its own matches.
struct MatchWalk final {
    int intSelIndex = 0;    // the row of lstTables the walk stands on
    int intMatchIndex = 0;  // the row of lstColumns shown as the current match, -1 for none yet
    // In the column-description mode: the table's columns whose description holds the text, how many
    // they are, and how many of them the walk has shown so far.
    std::unique_ptr<Recordset> rsMatches;
    int intMatchCount = 0;
    int intMatchPos = 0;

    // A new search: no table and no match yet.
    void reset()
    {
        intSelIndex = -1;
        intMatchIndex = -1;
        rsMatches.reset();
        intMatchCount = 0;
        intMatchPos = 0;
    }
};

}  // namespace volmira
