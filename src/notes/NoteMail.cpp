#include "notes/NoteMail.h"

#include "platform/Platform.h"

#include <QUrl>

namespace {

// Only what would end the field or the address: a "&" or "#" in a note must not add a
// recipient or cut the text short, and "%" must not start an escape of its own.
QString Escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '%':
            out += QLatin1String("%25");
            break;
        case '&':
            out += QLatin1String("%26");
            break;
        case '#':
            out += QLatin1String("%23");
            break;
        case '?':
            out += QLatin1String("%3F");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

TNoteMailto NoteMailto(const QString& title, const QStringList& lines) {
    TNoteMailto mail;
    mail.Url = QStringLiteral("mailto:?subject=") + Escaped(title) + QStringLiteral("&body=");
    for (const QString& line : lines)
        mail.Url += Escaped(line) + QStringLiteral("%0D%0A");
    if (mail.Url.size() <= MaxMailtoLength)
        return mail;
    // Every "%" here starts an escape: keep each escape and each character whole.
    qsizetype end = MaxMailtoLength;
    if (mail.Url[end - 1] == QLatin1Char('%'))
        end -= 1;
    else if (mail.Url[end - 2] == QLatin1Char('%'))
        end -= 2;
    else if (mail.Url[end - 1].isHighSurrogate())
        end -= 1;
    mail.Url.truncate(end);
    mail.Cut = true;
    return mail;
}

void SendNoteByMail(QWidget* parent, const QString& title, const QStringList& lines) {
    const TNoteMailto mail = NoteMailto(title, lines);
    if (mail.Cut)
        MessageBox(parent,
                   QStringLiteral("Uwaga! Została przekroczona maksymalna długość\n\twysyłanej "
                                  "karteczki i jej zawartość zostanie przycięta.\n\nJeżeli "
                                  "koniecznie chcesz załączyć całą karteczkę przekopiuj jej "
                                  "zawartość ręcznie."),
                   QStringLiteral("Notella"), TMsgButtons::OK, TMsgIcon::Warning);
    Platform().Url->OpenUrl(QUrl(mail.Url, QUrl::TolerantMode));
}
