#pragma once

#include "common/DateUtils.h"

#include <QString>
#include <QStringView>

#include <optional>

// The most a note may hold. A note loaded with more keeps it all but may not grow.
struct TNoteLimits {
    qsizetype Characters = 20480;
    // Hard lines, as the file keeps them: one "Text<n>" key each.
    qsizetype Lines = 300;
};

// Line breaks in the editor's text: line feeds and the editor's paragraph and line separators.
qsizetype LineBreaks(QStringView text);
// The lines a text makes in the note's file: none for an empty text.
qsizetype HardLines(QStringView text);

// How much of an insertion fits a note that holds `length` characters in `lines` lines once
// the text it replaces is gone.
struct TFit {
    qsizetype Keep = 0;    // leading characters of the insertion that fit
    bool LinesHit = false; // the line limit stopped it
};
TFit FitInsertion(QStringView inserted, qsizetype length, qsizetype lines,
                  const TNoteLimits& limits);

// The stretch of an edit's insertion that does not fit the note: cut from `From`, `Length`
// characters, which always end where the insertion ends.
struct TInsertionCut {
    int From = 0;
    int Length = 0;
    bool LinesHit = false;
};

// Checks the note's text after an edit that inserted `added` characters at `position`. Only
// inserted characters are ever cut, from the end of the insertion, so that whatever the note
// held before stays as it was. None when the edit fits.
std::optional<TInsertionCut> LimitInsertion(QStringView text, int position, int added,
                                            const TNoteLimits& limits);

// The date and time a note inserts, in the formats in force: date, two blanks, time.
QString DateStamp(TDateTime now);
