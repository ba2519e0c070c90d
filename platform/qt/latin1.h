#pragma once
// 8-bit text of the files shown in widgets as Latin-1, one character a byte, and back.
#include <QString>
#include <string>
#include <string_view>

namespace platform {

inline QString toQString(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Characters above U+00FF have no byte; they become "?".
inline std::string toBytes(const QString& text)
{
    const QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

} // namespace platform
