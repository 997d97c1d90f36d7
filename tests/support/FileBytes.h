#pragma once
// Whole files as bytes, for tests that check what was written or plant
// files to be read.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

namespace kv::test {

// The file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with bytes; false when not all of them were written.
inline bool putFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The same inside a test, which fails when the file cannot be written.
inline void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QVERIFY2(putFileBytes(path, bytes), qPrintable(path));
}

} // namespace kv::test
