#pragma once
// The file fuzz targets read their input the way Kestrel reads a user's file:
// from disk, through the readers' own path. Each input is written to a file in
// a temporary folder of the process.

#include "ConfigFile.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

inline QString FuzzFolder() {
    static const QTemporaryDir dir;
    return dir.path();
}

// Writes the input to `name` in FuzzFolder() and returns the file's path.
inline QString WriteFuzzFile(const QString& name, const std::uint8_t* data, std::size_t size) {
    const QString path = FuzzFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size))
        __builtin_trap(); // the harness itself failed, not the reader
    return path;
}

inline QByteArray ReadFuzzFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The round trip of tables that were read: `write` writes them to a file,
// `readBack` reads that file (false when it fails or the tables' counts
// change), and writing again must give the same file. Tables that the file
// format cannot hold (ConfigWriteError) are left alone.
template <typename Write, typename ReadBack> void CheckRoundTrip(Write write, ReadBack readBack) {
    const QString out = FuzzFolder() + QLatin1String("/out.ini");
    QByteArray first;
    try {
        write(out);
        first = ReadFuzzFile(out);
    } catch (const ConfigWriteError&) {
        return;
    }
    if (!readBack(out))
        __builtin_trap();
    write(out);
    if (ReadFuzzFile(out) != first)
        __builtin_trap();
}
