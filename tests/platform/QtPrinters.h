#pragma once
// Readable gtest failure messages for Qt strings and byte arrays.
#include <QByteArray>
#include <QString>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"';
    for (const char c : b) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '\n')
            *os << "\\n";
        else if (u == '\r')
            *os << "\\r";
        else if (u < 0x20 || u >= 0x7F)
            *os << "\\x"
                << "0123456789ABCDEF"[u >> 4] << "0123456789ABCDEF"[u & 15];
        else
            *os << c;
    }
    *os << '"';
}
