#pragma once

// The scheduler list's rules without its widgets: which entries the kind and text filters let
// through, the texts of the counts, the filter description and the note column, and which row
// keeps the selection.

#include "scheduler/Timetable.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// The kind tree's nodes: "Wszystkie" (filter 0), then the kinds 1 to 6 in their order.
QStringList KindFilterNames();

// A text filter made ready for matching: normalised to NFC, so that a letter typed whole
// matches the same letter written as a base and a combining mark.
class TTextFilter {
public:
    explicit TTextFilter(const QString& text = {});
    bool IsEmpty() const { return Key.isEmpty(); }
    // Whether the note contains the text. Both are compared case-folded after NFC by the
    // Unicode tables alone: the process locale plays no part (LANG=C matches "ą" with "Ą").
    bool Matches(const QString& note) const;

private:
    QString Key;
};

struct TListFilter {
    int Kind = 0; // 0: every kind; otherwise only entries of this kind
    QString Text; // empty: every note
};

// The timetable indices of the entries that pass both filters, in the timetable's order.
std::vector<int> FilterEntries(std::span<const TTimetableEntry> entries, const TListFilter& filter);

// "(listed/total)", e.g. "(3/12)".
QString CountText(int listed, int total);
// The selected node's name, and " (" text ")" behind it when a text filter is set.
QString FilterDescription(int kind, const QString& text);
// The note on one line: each line break becomes " | ".
QString NoteColumnText(const QString& notka);

// The position in `listed` (increasing timetable indices) of the last entry whose index is
// not greater than `selectedIndex`; 0 (the first row) when there is none.
int RowForIndex(const std::vector<int>& listed, int selectedIndex);
