#include "platform/Autostart.h"

#include "common/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// Characters that make an Exec argument need quotes.
const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

QString QuoteArgument(QString arg) {
    arg.replace('%', QStringLiteral("%%"));
    bool needsQuotes = arg.isEmpty();
    for (QChar c : arg)
        needsQuotes = needsQuotes || Reserved.contains(c);
    if (!needsQuotes)
        return arg;
    QString quoted = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// The escapes of a key file's string values.
QString EscapeValue(const QString& value) {
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString UnescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != '\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value[++i];
        switch (n.unicode()) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += n;
        }
    }
    return out;
}

// Launchers split Exec only at ASCII blanks: a path holding another space
// character (U+3000, say) is one argument.
bool IsArgumentBreak(QChar c) {
    return c == ' ' || c == '\t' || c == '\n';
}

QString FirstArgument(const QString& exec) {
    QString arg;
    qsizetype i = 0;
    while (i < exec.size() && IsArgumentBreak(exec[i]))
        ++i;
    if (i < exec.size() && exec[i] == '"') {
        for (++i; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            arg += exec[i];
        }
    } else {
        for (; i < exec.size() && !IsArgumentBreak(exec[i]); ++i)
            arg += exec[i];
    }
    return arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace

QString AutostartFileName() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/Notella.desktop");
}

QString AutostartEntryText(const QString& exePath) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Notella\n"
                          "Exec=") +
           EscapeValue(QuoteArgument(exePath)) +
           QStringLiteral("\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-Delay=5\n"
                          "X-KDE-autostart-after=panel\n");
}

QString AutostartEntryProgram(const QString& entryText) {
    QString exec;
    bool inEntry = false;
    bool off = false;
    for (const QString& raw : entryText.split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inEntry || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        // The first occurrence of a key counts, as with the settings files.
        if (key == QStringLiteral("Exec") && exec.isNull())
            exec = UnescapeValue(value);
        // Desktops read "1" and "0" as booleans too.
        else if (key == QStringLiteral("Hidden") &&
                 (value == QStringLiteral("true") || value == QStringLiteral("1")))
            off = true;
        else if (key == QStringLiteral("X-GNOME-Autostart-enabled") &&
                 (value == QStringLiteral("false") || value == QStringLiteral("0")))
            off = true;
    }
    return off || exec.isNull() ? QString() : FirstArgument(exec);
}

QString ReadAutostartEntry() {
    QByteArray bytes;
    if (!ReadWholeFile(AutostartFileName(), bytes))
        return {};
    return AutostartEntryProgram(QString::fromUtf8(bytes.left(64 * 1024)));
}

bool WriteAutostartEntry(const QString& exePath) {
    const QString file = AutostartFileName();
    return QDir().mkpath(QFileInfo(file).absolutePath()) &&
           WriteFileAtomic(file, AutostartEntryText(exePath).toUtf8());
}

bool DeleteAutostartEntry() {
    const QString file = AutostartFileName();
    return !QFileInfo::exists(file) || QFile::remove(file);
}
