// TMX 1.4b, the exchange format of translation memory tools: reading units from it into the
// memory in one transaction, and writing the memory out.
#pragma once

#include "memory/memory_store.h"

#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Larger files are refused unread; a segment longer than this is taken for a damaged file.
inline constexpr qint64 kMaxTmxBytes = 256LL * 1024 * 1024;
inline constexpr qsizetype kMaxSegmentLength = 65536;

struct TmxRead {
    int units = 0;        // pairs handed over
    int skipped = 0;      // translation units without a source variant and another language
    QString error;        // empty when the whole file was read
    qint64 line = 0;      // where the error is
    bool stopped = false; // the sink or the progress callback asked to stop
};

// Takes one unit; false stops the reading.
using TmxSink = std::function<bool(const MemoryUnit&)>;
// Called now and then with the bytes read and the device's size; false stops the reading.
using TmxProgress = std::function<bool(qint64 done, qint64 total)>;

// Each translation unit gives a pair from its source variant (the unit's srclang, else the
// header's) to every variant in another language; with "*all*" every variant is a source. Codes are
// mapped to velmora's; inline codes keep their native text (a <bpt> holding "<i>" gives "<i>");
// line breaks become the line joiner "|\n". Units are by hand unless the file says otherwise;
// their origin is the file's unless it names one.
TmxRead readTmx(QIODevice& device, const QString& origin, const TmxSink& sink,
                const TmxProgress& progress = {});

struct TmxImport {
    int read = 0;
    int added = 0;
    int known = 0;
    int skipped = 0;
    bool cancelled = false;
    std::optional<UserMessage> message; // nothing was imported when set
};

// All units of the file, or none: a malformed file, a failed write or a cancel keeps nothing.
// Units the memory holds already are not added again.
TmxImport importTmx(MemoryStore& store, const QString& path, const TmxProgress& progress = {});

// Writes units as TMX 1.4b (UTF-8). Subtitle tags become inline codes: a tag closed in the same text
// is a <bpt>/<ept> pair, one that is not an <it>, others (breaks, override blocks) a <ph>.
class TmxWriter {
public:
    // `sourceTag` for the header: the one source language of every unit, or "*all*".
    TmxWriter(QIODevice& device, const QString& sourceTag);
    ~TmxWriter();
    TmxWriter(const TmxWriter&) = delete;
    TmxWriter& operator=(const TmxWriter&) = delete;

    void write(const MemoryUnit& unit);
    // Closes the document; false when the device failed.
    bool finish();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

struct TmxExport {
    int units = 0;
    std::optional<UserMessage> message; // the file was not written when set
};

// The memory (of one pair when given) into a new file that replaces `path` only once complete.
TmxExport exportTmx(const MemoryStore& store, const QString& path,
                    const std::optional<LanguagePair>& languages = std::nullopt);
