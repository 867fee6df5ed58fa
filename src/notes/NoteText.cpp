#include "notes/NoteText.h"

#include <algorithm>

std::optional<TInsertionCut> LimitInsertion(QStringView text, int position, int added,
                                            int maxCharacters) {
    const qsizetype excess = text.size() - maxCharacters;
    if (excess <= 0 || added <= 0)
        return std::nullopt;
    // The editor may report an insertion that reaches past the text (its final block end).
    const int end = static_cast<int>(std::min<qsizetype>(position + added, text.size()));
    const int length = static_cast<int>(std::min<qsizetype>(excess, end - position));
    if (length <= 0)
        return std::nullopt;
    return TInsertionCut{end - length, length};
}
