#include "common/IniText.h"

namespace {
const QString NewLineMark = QStringLiteral("</NL/>");
}

QString EncodeIniText(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '\r') {
            out += NewLineMark;
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += NewLineMark;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

QString DecodeIniText(const QString& value) {
    QString text = value;
    text.replace(NewLineMark, QStringLiteral("\r\n"));
    if (text.startsWith('"'))
        text.remove(0, 1);
    if (text.endsWith('"'))
        text.chop(1);
    return text;
}

QString ToCrLf(const QString& editorText) {
    QString s = FromCrLf(editorText);
    s.replace('\n', QStringLiteral("\r\n"));
    return s;
}

QString FromCrLf(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace('\r', '\n');
    return s;
}
