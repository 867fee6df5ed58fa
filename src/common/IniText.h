#pragma once

#include <QString>

// A multi-line text in one INI value: every line break becomes "</NL/>" and the whole is
// enclosed in double quotes. CR LF, a bare LF and a bare CR each count as one break.
QString EncodeIniText(const QString& text);
// The reverse: every "</NL/>" becomes CR LF, then one outer quote is removed on each side.
QString DecodeIniText(const QString& value);

// Editors hold bare LFs; the stored form has CR LF.
QString ToCrLf(const QString& editorText);
QString FromCrLf(const QString& text);
