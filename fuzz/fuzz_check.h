// What the fuzz targets share: a check that stops the run with the failed condition, and a fast
// scratch folder for the files a target writes.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// Memory-backed where the machine has it: a target writes a file per input.
inline QString fuzzScratchFolder() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isDir() && shm.isWritable())
        return shm.filePath();
    return QDir::tempPath();
}
