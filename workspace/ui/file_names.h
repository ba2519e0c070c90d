#pragma once
// File names are bytes in the file system's encoding; the windows show them decoded.
#include <QDir>
#include <QFile>
#include <QString>

#include <string>

namespace mrw {

inline std::string fileNameBytes(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

inline QString fileNameText(const std::string& name)
{
    return QFile::decodeName(QByteArray::fromStdString(name));
}

// A name typed or handed over (not stored): relative names lie in `base`. Windows and
// the log always show where the file really is.
inline std::string absoluteFileName(const std::string& name, const QString& base = QDir::currentPath())
{
    return fileNameBytes(QDir::cleanPath(QDir(base).absoluteFilePath(fileNameText(name))));
}

} // namespace mrw
