// The TMX reader on arbitrary bytes: what it reads, written as TMX and read again, gives the same
// units; a file it refuses names a line.
#include "memory/tmx.h"

#include "fuzz_check.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

namespace {

QList<MemoryUnit> readAll(const QByteArray& bytes, TmxRead* read) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QList<MemoryUnit> units;
    *read = readTmx(buffer, QStringLiteral("fuzz.tmx"), [&](const MemoryUnit& u) {
        units.append(u);
        return true;
    });
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TmxRead read;
    const QList<MemoryUnit> units = readAll(bytes, &read);
    FUZZ_CHECK(read.units == units.size());
    FUZZ_CHECK(!read.stopped);
    if (!read.error.isEmpty()) {
        FUZZ_CHECK(read.line >= 1);
        return 0;
    }
    for (const MemoryUnit& u : units) {
        FUZZ_CHECK(!u.languages.source.isEmpty() && !u.languages.target.isEmpty());
        FUZZ_CHECK(u.languages.source != u.languages.target);
        FUZZ_CHECK(u.source.size() <= kMaxSegmentLength * 2 && u.target.size() <= kMaxSegmentLength * 2);
    }

    QByteArray written;
    {
        QBuffer out(&written);
        out.open(QIODevice::WriteOnly);
        TmxWriter writer(out, QStringLiteral("*all*"));
        for (const MemoryUnit& u : units)
            writer.write(u);
        FUZZ_CHECK(writer.finish());
    }
    TmxRead again;
    const QList<MemoryUnit> back = readAll(written, &again);
    FUZZ_CHECK(again.error.isEmpty());
    FUZZ_CHECK(back == units);
    return 0;
}
