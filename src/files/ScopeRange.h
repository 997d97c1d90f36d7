#pragma once
// The range of points or rows a save or print covers, as the range dialog
// leaves it: "&All", or "&Select" with the "&from" and "&to" texts.

#include <QString>

namespace kv {

struct ScopeRange
{
    bool ok = false;
    int from = 1; // 1-based, inclusive
    int to = 0;
    QString error; // "invalid integer" when a text is not a whole number
};

// all: the "&All" choice, giving 1 to last. Otherwise both texts must be
// whole numbers; their absolute values are taken, swapped when from is the
// larger, to is held to largest and a from of 0 becomes 1. last is the
// number the "&to" box starts with, largest the highest valid number (they
// differ for the real-time graph, whose chart is larger than its record).
ScopeRange selectScopeRange(bool all, const QString &fromText, const QString &toText, int last, int largest);

} // namespace kv
