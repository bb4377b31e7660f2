// One subtitle format's readers on arbitrary bytes: the input loaded as original then as translation
// (and the other way round), the "Mapping Text" built, and a mix save written.
#include "charset/code_page.h"
#include "edit/line_operations.h"
#include "subtitle/format_table.h"
#include "subtitle/mapping_text.h"
#include "subtitle/subtitle_reader.h"
#include "subtitle/subtitle_writer.h"

#include "fuzz_check.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

#ifndef FUZZ_FORMAT
#error "FUZZ_FORMAT names the subtitle format of this target"
#endif

namespace {

constexpr SubtitleFormat kFormat = SubtitleFormat(FUZZ_FORMAT);
QString g_savePath;

// What every load leaves, also one stopped by an invalid line.
void checkOriginal(const SubtitleSession& session) {
    const SubtitleDocument& d = session.document();
    FUZZ_CHECK(d.loadedTimeLines.size() == d.originalTexts.size());
    FUZZ_CHECK(d.timeLines.size() == d.originalTexts.size());
    FUZZ_CHECK(d.translatedTexts.size() >= d.originalTexts.size());
    FUZZ_CHECK(session.rows().count() >= d.originalTexts.size());
    for (qsizetype i = 0; i < d.originalTexts.size(); ++i)
        FUZZ_CHECK(session.rows().at(int(i)).number == double(i + 1));
}

void checkTranslated(const SubtitleSession& session) {
    const SubtitleDocument& d = session.document();
    FUZZ_CHECK(session.rows().count() >= d.translatedTexts.size());
    for (qsizetype k = 0; k < d.translatedTexts.size(); ++k)
        FUZZ_CHECK(session.rows().at(int(k)).translated == d.translatedTexts[k]);
}

void loadBothSides(const QByteArray& bytes, bool originalFirst) {
    SubtitleSession session;
    session.setFormatMode(kFormat);
    for (int pass = 0; pass < 2; ++pass) {
        const bool original = (pass == 0) == originalFirst;
        const ReadResult result =
            loadSubtitleBytes(session, bytes, kFormat, original ? Side::Original : Side::Translated);
        FUZZ_CHECK(result.changed == (bytes.size() <= kMaxSubtitleFileSize));
        if (!result.changed)
            return;
        const qsizetype entries =
            session.document().texts(original ? Side::Original : Side::Translated).size();
        for (qsizetype i = 0; i < result.unreadableTimes.size(); ++i)
            FUZZ_CHECK(result.unreadableTimes[i] >= 1 && result.unreadableTimes[i] <= entries &&
                       (i == 0 || result.unreadableTimes[i - 1] < result.unreadableTimes[i]));
        if (original)
            checkOriginal(session);
        else
            checkTranslated(session);
    }
    const QVector<MappingRun> runs = buildMappingRuns(session.rows());
    FUZZ_CHECK(runs.size() == 2 * session.rows().count());
    for (const MappingRun& run : runs)
        FUZZ_CHECK(run.text.size() <= kMappingCellLimit + 2);
    if (hasSomethingToSave(session.document(), SaveKind::MixSubtitle))
        FUZZ_CHECK(session.save(SaveKind::MixSubtitle, g_savePath).written);

    // Whatever the file left, an edit and its undo bring back exactly what was there.
    const SubtitleDocument before = session.document();
    const QVector<EntryRow> rowsBefore = session.rows().all();
    QList<int> everyOther;
    for (int r = 0; r < session.rowCount(); r += 2)
        everyOther.append(r);
    session.apply(OnCombineSubtitles(session, everyOther));
    while (session.canUndo())
        session.undo();
    const SubtitleDocument& after = session.document();
    FUZZ_CHECK(session.rows().all() == rowsBefore);
    FUZZ_CHECK(after.loadedTimeLines == before.loadedTimeLines && after.timeLines == before.timeLines &&
               after.originalTexts == before.originalTexts &&
               after.translatedTexts == before.translatedTexts);
}

bool holdsLoneSurrogate(const QStringList& texts) {
    for (const QString& t : texts)
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t[i].isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate())
                ++i;
            else if (t[i].isSurrogate())
                return true;
        }
    return false;
}

// Formats that keep what they do not edit must give back what they read: what a save writes reads
// as the same entries, times, header and trailer (UTF-8 cannot hold a lone surrogate, so input
// that decodes to one is left out).
void checkNoDrift(const QByteArray& bytes) {
    SubtitleSession first;
    first.setFormatMode(kFormat);
    if (!loadSubtitleBytes(first, bytes, kFormat, Side::Original).changed ||
        !hasSomethingToSave(first.document(), SaveKind::OriginalSubtitle))
        return;
    const SubtitleDocument& a = first.document();
    for (const QStringList* list : {&a.headerLines, &a.timeLines, &a.originalTexts, &a.trailerLines})
        if (holdsLoneSurrogate(*list))
            return;
    FUZZ_CHECK(first.save(SaveKind::OriginalSubtitle, g_savePath).written);
    QFile saved(g_savePath);
    FUZZ_CHECK(saved.open(QIODevice::ReadOnly));
    SubtitleSession second;
    second.setFormatMode(kFormat);
    FUZZ_CHECK(loadSubtitleBytes(second, saved.readAll(), kFormat, Side::Original).changed);
    const SubtitleDocument& b = second.document();
    FUZZ_CHECK(second.rows().all() == first.rows().all());
    FUZZ_CHECK(b.timeLines == a.timeLines && b.originalTexts == a.originalTexts &&
               b.trailerLines == a.trailerLines);
    // A WebVTT file without its signature line gets one.
    FUZZ_CHECK(b.headerLines == a.headerLines || (kFormat == kWebVTT && b.headerLines.value(0) == u"WEBVTT"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setSystemAnsiCodePage(1252);
    static QTemporaryDir dir(fuzzScratchFolder() + QStringLiteral("/velmora-fuzz-XXXXXX"));
    g_savePath = dir.filePath(QStringLiteral("mix.out"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    loadBothSides(bytes, true);
    loadBothSides(bytes, false);
    if (formatInfo(kFormat).richTimeLines)
        checkNoDrift(bytes);
    return 0;
}
