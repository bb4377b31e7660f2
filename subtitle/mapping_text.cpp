// Builds the "Mapping Text" page's runs from the grid rows.
#include "subtitle/mapping_text.h"

namespace {

const QString kParagraphEnd = QStringLiteral("\r\n");

// The cut comes first, so a long cell shows the same leading text whatever its "|" count.
QString mappingText(const QString& cell) {
    QString text = cell.size() > kMappingCellLimit ? cell.left(kMappingCellLimit) : cell;
    text.remove(u'|');
    return text;
}

} // namespace

QVector<MappingRun> BuildMappingRuns(const EntryRows& rows) {
    QVector<MappingRun> runs;
    runs.reserve(qsizetype(rows.count()) * 2);
    for (const EntryRow& row : rows.all()) {
        runs.append(MappingRun{mappingText(row.original) + kParagraphEnd, kMappingOriginalColor});
        // Two empty paragraphs part one entry from the next.
        runs.append(MappingRun{mappingText(row.translated) + kParagraphEnd + kParagraphEnd + kParagraphEnd,
                               kMappingTranslatedColor});
    }
    return runs;
}
