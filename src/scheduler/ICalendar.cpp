#include "scheduler/ICalendar.h"

#include "common/Plural.h"
#include "common/TextFile.h"
#include "platform/Modules.h"
#include "platform/Platform.h"
#include "scheduler/ICalendarCodec.h"

#include <QFileInfo>

// Linked in by the tests; the program opens it in the iCalendar module.
extern "C" __attribute__((weak)) const TICalendarCodec* NotellaICalendarCodec();

namespace {

// The same limit as the module's: a huge file is refused before it is read.
constexpr qint64 MaxFileBytes = 20 * 1024 * 1024;

QString TooLargeText() {
    return QString::fromUtf8("Plik \"%1\" jest za duży: terminarz przyjmuje kalendarze "
                             "do 20 MB.");
}

// The codec, or null with `error` saying why in Polish.
const TICalendarCodec* Codec(QString* error = nullptr) {
    if (NotellaICalendarCodec)
        return NotellaICalendarCodec();
    QString why;
    using TGet = const TICalendarCodec* (*)();
    if (auto get =
            reinterpret_cast<TGet>(ModuleSymbol("notella-ical", "NotellaICalendarCodec", &why)))
        return get();
    if (error)
        *error = MissingModuleText(QStringLiteral("Eksport i import iCalendar"), why);
    return nullptr;
}

} // namespace

QByteArray ExportICalendar(std::span<const TTimetableEntry> entries) {
    const TICalendarCodec* codec = Codec();
    return codec ? codec->Export(entries, Now(), EntrySummary) : QByteArray();
}

TICalendarImport ReadICalendar(const QByteArray& data, std::span<const TTimetableEntry> existing) {
    QString error;
    if (const TICalendarCodec* codec = Codec(&error))
        return codec->Read(data, existing, Now(), EntrySummary);
    TICalendarImport r;
    // The file's name goes where the other reasons have it.
    r.Error = error + QStringLiteral(" (%1)");
    return r;
}

namespace {

QString OutcomeText(const TICalendarImport& read) {
    const qint64 added = static_cast<qint64>(read.Entries.size());
    QString text = added > 0 ? QStringLiteral("Dodano ") + Count(added, "wpis", "wpisy", "wpisów") +
                                   QStringLiteral(" do terminarza.")
                             : QString::fromUtf8("Nie dodano żadnego wpisu do terminarza.");
    if (read.Duplicates > 0)
        text += QStringLiteral("\n\nPominięto ") +
                Count(read.Duplicates, "wpis, który już jest", "wpisy, które już są",
                      "wpisów, które już są") +
                QStringLiteral(" w terminarzu.");
    if (read.LeftOut > 0) {
        text +=
            QStringLiteral("\n\nPominięto ") +
            Count(read.LeftOut, "wydarzenie, którego", "wydarzenia, których", "wydarzeń, których") +
            QString::fromUtf8(" nie da się zapisać w terminarzu:\n") + read.LeftOutNotes.join('\n');
        if (const qint64 more = read.LeftOut - read.LeftOutNotes.size(); more > 0)
            text += QStringLiteral("\n(i jeszcze ") +
                    Count(more, "wydarzenie", "wydarzenia", "wydarzeń") + ')';
    }
    return text;
}

TICalendarOutcome Failure(const QString& message) {
    TICalendarOutcome out;
    out.Failed = true;
    out.Message = message;
    return out;
}

} // namespace

TICalendarOutcome ImportICalendarFile(TTimetable& timetable, const QString& path) {
    QString missing;
    if (!Codec(&missing))
        return Failure(missing);
    // A huge file is refused before it is read.
    if (const QFileInfo info(path); info.isFile() && info.size() > MaxFileBytes)
        return Failure(TooLargeText().arg(path));
    QByteArray bytes;
    if (!ReadWholeFile(path, bytes))
        return Failure(QString::fromUtf8("Nie można odczytać pliku \"%1\".").arg(path));
    const TICalendarImport read = ReadICalendar(bytes, timetable.entries());
    if (!read.Readable)
        return Failure(read.Error.arg(path));
    if (read.Entries.empty() && read.Duplicates == 0 && read.LeftOut == 0)
        return Failure(QString::fromUtf8("W pliku \"%1\" nie ma wydarzeń.").arg(path));
    if (timetable.count() + read.Entries.size() > static_cast<size_t>(TTimetable::capacity))
        return Failure(QString::fromUtf8("Terminarz jest pełny (%1 wpisów). Usuń niepotrzebne "
                                         "wpisy, aby dodać nowy.")
                           .arg(TTimetable::capacity));
    TICalendarOutcome out;
    if (!read.Entries.empty()) {
        // Added to a copy, which takes the timetable's place only once it is saved: a failed
        // save leaves nothing of the file behind.
        TTimetable added = timetable;
        for (const TTimetableEntry& e : read.Entries) {
            const int index = added.Insert(e);
            if (e.kind == KindEveryMinutes)
                added.entries()[static_cast<size_t>(index)].lastshowdate = e.lastshowdate;
        }
        if (!added.Save())
            return Failure(QString::fromUtf8("Nie dodano wpisów z pliku \"%1\", bo nie można "
                                             "zapisać terminarza.")
                               .arg(path));
        timetable = added;
        out.Changed = true;
    }
    out.Message = OutcomeText(read);
    return out;
}

bool ExportICalendarFile(const TTimetable& timetable, const QString& path, QString& error) {
    // Without the module nothing is written: an empty file would pass for an empty timetable.
    if (!Codec(&error))
        return false;
    QString why;
    if (WriteFileAtomic(path, ExportICalendar(timetable.entries()), &why))
        return true;
    error = QString::fromUtf8("Nie można zapisać pliku \"%1\".\n\n%2").arg(path, why);
    return false;
}
