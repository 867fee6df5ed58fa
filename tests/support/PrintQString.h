#pragma once

#include <QString>

#include <ostream>

// Failure messages show QStrings as text rather than as arrays of 2-byte objects.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
