#include "scheduler_ui/TerminarzFilter.h"

#include <algorithm>

QStringList KindFilterNames() {
    return {QStringLiteral("Wszystkie"),    QStringLiteral("Jednorazowe"),
            QStringLiteral("Co X minut"),   QStringLiteral("Codzienne"),
            QStringLiteral("Cotygodniowe"), QStringLiteral("Comiesięczne"),
            QStringLiteral("Coroczne")};
}

TTextFilter::TTextFilter(const QString& text)
    : Key(text.normalized(QString::NormalizationForm_C)) {}

bool TTextFilter::Matches(const QString& note) const {
    if (Key.isEmpty())
        return true;
    // Qt's case-insensitive search folds both sides by the Unicode tables (simple folding); an
    // NFC note (nearly every one) is searched as it is, without a copy.
    return note.normalized(QString::NormalizationForm_C).contains(Key, Qt::CaseInsensitive);
}

std::vector<int> FilterEntries(std::span<const TTimetableEntry> entries,
                               const TListFilter& filter) {
    const TTextFilter text(filter.Text);
    std::vector<int> listed;
    listed.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const TTimetableEntry& e = entries[i];
        if ((filter.Kind == 0 || e.kind == filter.Kind) && text.Matches(e.notka))
            listed.push_back(static_cast<int>(i));
    }
    return listed;
}

QString CountText(int listed, int total) {
    return QStringLiteral("(%1/%2)").arg(listed).arg(total);
}

QString FilterDescription(int kind, const QString& text) {
    const QStringList names = KindFilterNames();
    QString description = kind >= 0 && kind < names.size() ? names[kind] : QString();
    if (!text.isEmpty())
        description += QStringLiteral(" (") + text + ')';
    return description;
}

QString NoteColumnText(const QString& notka) {
    QString line = notka;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
    // A bare break (a hand-edited file) would cut the row's text short.
    line.replace(QChar('\n'), QStringLiteral(" | "));
    line.replace(QChar('\r'), QStringLiteral(" | "));
    return line;
}

int RowForIndex(const std::vector<int>& listed, int selectedIndex) {
    const auto after = std::upper_bound(listed.begin(), listed.end(), selectedIndex);
    return after == listed.begin() ? 0 : static_cast<int>(after - listed.begin()) - 1;
}
