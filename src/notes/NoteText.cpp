#include "notes/NoteText.h"

#include "common/Formats.h"

#include <algorithm>

namespace {

bool IsBreak(QChar c) {
    return c == QChar::LineFeed || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

} // namespace

qsizetype LineBreaks(QStringView text) {
    return std::count_if(text.begin(), text.end(), IsBreak);
}

qsizetype HardLines(QStringView text) {
    return text.isEmpty() ? 0 : LineBreaks(text) + 1;
}

TFit FitInsertion(QStringView inserted, qsizetype length, qsizetype lines,
                  const TNoteLimits& limits) {
    TFit fit;
    fit.Keep = std::clamp<qsizetype>(limits.Characters - length, 0, inserted.size());
    // An empty note gets its first line from the first character typed.
    qsizetype room = limits.Lines - std::max<qsizetype>(lines, 1);
    bool broke = false;
    for (qsizetype i = 0; i < fit.Keep; ++i) {
        if (!IsBreak(inserted[i]))
            continue;
        if (room-- <= 0) {
            // Lines that find no room at all are refused whole, rather than leave a stray
            // piece of their first line on the note's own.
            fit.Keep = broke ? i : 0;
            fit.LinesHit = true;
            break;
        }
        broke = true;
    }
    return fit;
}

std::optional<TInsertionCut> LimitInsertion(QStringView text, int position, int added,
                                            const TNoteLimits& limits) {
    if (added <= 0 || position < 0)
        return std::nullopt;
    // The editor may report an insertion that reaches past the text (its final block end).
    const qsizetype end = std::min<qsizetype>(qsizetype(position) + added, text.size());
    if (end <= position)
        return std::nullopt;
    const QStringView inserted = text.mid(position, end - position);
    if (text.size() <= limits.Characters && LineBreaks(text) < limits.Lines)
        return std::nullopt;
    const QString rest = text.left(position).toString() + text.mid(end).toString();
    const TFit fit = FitInsertion(inserted, rest.size(), HardLines(rest), limits);
    if (fit.Keep == inserted.size())
        return std::nullopt;
    return TInsertionCut{static_cast<int>(position + fit.Keep),
                         static_cast<int>(inserted.size() - fit.Keep), fit.LinesHit};
}

QString DateStamp(TDateTime now) {
    return FormatDate(now) + QStringLiteral("  ") + FormatTime(now);
}
