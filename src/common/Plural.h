#pragma once

#include <QString>

// Polish plural forms: 1 wpis, 2-4 wpisy (and 22-24 ...), 5-21 wpisów. Inline: the modules
// opened at run time use it too and take nothing from the program.
inline QString Plural(qint64 n, const char* one, const char* few, const char* many) {
    if (n == 1)
        return QString::fromUtf8(one);
    const qint64 units = n % 10;
    const qint64 tens = n % 100;
    return QString::fromUtf8(units >= 2 && units <= 4 && (tens < 12 || tens > 14) ? few : many);
}

// The number with its word: "3 wpisy".
inline QString Count(qint64 n, const char* one, const char* few, const char* many) {
    return QString::number(n) + ' ' + Plural(n, one, few, many);
}
