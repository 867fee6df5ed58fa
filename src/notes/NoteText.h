#pragma once

#include <QStringView>

#include <optional>

// The stretch of an edit's insertion that does not fit the note: cut from `From`, `Length`
// characters, which always end where the insertion ends.
struct TInsertionCut {
    int From = 0;
    int Length = 0;
};

// Checks the note's text after an edit that inserted `added` characters at `position` against
// its limit of `maxCharacters`. Only inserted characters are ever cut, from the end of the
// insertion, so that whatever the note held before stays as it was; a note that holds more
// than the limit already (a long file) keeps it all. None when the edit fits.
std::optional<TInsertionCut> LimitInsertion(QStringView text, int position, int added,
                                            int maxCharacters);
