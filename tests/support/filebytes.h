#pragma once
// A file's whole content, read or written in one piece, for tests that plant
// files or compare them byte for byte.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace testing_support {

// Empty when the file cannot be read.
inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file's content; false when it could not be written whole.
inline bool WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace testing_support
