// The dictionary panes' and the Library's rules.
#include "dictionary/dictionary_rules.h"

std::optional<DictionaryRecord> dictionaryPairFromPane(const QString& original, const QString& translated) {
    if (original.isEmpty() || original.size() > kDictionaryTextLimit ||
        translated.size() > kDictionaryTextLimit)
        return std::nullopt;
    auto oneLine = [](QString text) {
        text.replace(u'\r', u' ');
        text.replace(u'\n', u' ');
        return text;
    };
    DictionaryRecord record;
    record.flag = 1;
    record.original = oneLine(original);
    record.translated = oneLine(translated);
    return record;
}

QStringList libraryColumns(LibraryMode mode) {
    if (mode == LibraryMode::Vocabulary)
        return {QStringLiteral("Num"), QStringLiteral("Word One"), QStringLiteral("Word Two")};
    return {QStringLiteral("Num"), QStringLiteral("Sentence")};
}

QVector<QStringList> libraryRows(const std::vector<DictionaryRecord>& records, LibraryMode mode) {
    QVector<QStringList> rows;
    int listed = 0;
    for (const DictionaryRecord& r : records) {
        if (r.flag != 1)
            continue;
        const QString n = QString::number(++listed);
        if (mode == LibraryMode::Vocabulary) {
            rows.append({n, r.original, r.translated});
        } else {
            rows.append({n, r.original});
            rows.append({n, r.translated});
        }
    }
    return rows;
}
