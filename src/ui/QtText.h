#pragma once
// The program holds its texts as 8-bit strings in the system's code page
// (UTF-8 on Linux, the ANSI page on Windows); Qt holds UTF-16. These two
// helpers are the only crossing between them.
#include <QString>
#include <string>
#include <string_view>

inline QString ToQ(std::string_view s) {
    return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string FromQ(const QString& s) {
    QByteArray b = s.toLocal8Bit();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}
