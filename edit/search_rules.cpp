// Search and replace rules.
#include "edit/search_rules.h"

#include "subtitle/time_codes.h"

#include <unicode/uchar.h>

QString foldCase(const QString& text) {
    QString folded = text;
    char16_t* out = reinterpret_cast<char16_t*>(folded.data());
    const qsizetype size = folded.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = folded[i];
        if (c.isHighSurrogate() && i + 1 < size && folded[i + 1].isLowSurrogate()) {
            const char32_t cp = QChar::surrogateToUcs4(c, folded[i + 1]);
            const char32_t f = char32_t(u_foldCase(UChar32(cp), U_FOLD_CASE_DEFAULT));
            // Simple folding keeps a character in its plane; should it not, the character stays.
            if (QChar::requiresSurrogates(f)) {
                out[i] = QChar::highSurrogate(f);
                out[i + 1] = QChar::lowSurrogate(f);
            }
            i += 2;
            continue;
        }
        const char32_t f = char32_t(u_foldCase(UChar32(c.unicode()), U_FOLD_CASE_DEFAULT));
        if (!QChar::requiresSurrogates(f))
            out[i] = char16_t(f);
        ++i;
    }
    return folded;
}

bool containsText(const QString& text, const QString& findText, bool matchCase) {
    if (matchCase)
        return text.contains(findText);
    return foldCase(text).contains(foldCase(findText));
}

void ReplaceNoCase(QString& text, const QString& findText, const QString& replacement) {
    if (findText.isEmpty())
        return;
    const QString lowered = foldCase(text);
    const QString needle = foldCase(findText);
    qsizetype from = 0;
    QString result;
    qsizetype copied = 0; // characters of text already in result
    for (;;) {
        const qsizetype q = lowered.indexOf(needle, from);
        if (q < 0)
            break;
        result += QStringView(text).mid(copied, q - copied);
        result += replacement;
        copied = q + findText.size();
        from = q + needle.size();
    }
    if (copied == 0 && result.isEmpty())
        return;
    result += QStringView(text).mid(copied);
    text = result;
}

namespace {

QString replaced(const QString& text, const QString& findText, const QString& replaceText, bool matchCase) {
    QString out = text;
    if (matchCase)
        out.replace(findText, replaceText);
    else
        ReplaceNoCase(out, findText, replaceText);
    return out;
}

// The row with both texts replaced and, where the lists reach it, its elements set to the new
// cell texts; nullopt when neither the row nor an element would change.
std::optional<SessionEntry> replacedEntry(const SubtitleSession& session, int row, const QString& findText,
                                          const QString& replaceText, bool matchCase) {
    SessionEntry e = session.entry(row);
    const QString original = replaced(e.row.original, findText, replaceText, matchCase);
    const QString translated = replaced(e.row.translated, findText, replaceText, matchCase);
    bool changed = original != e.row.original || translated != e.row.translated ||
                   (e.originalText && *e.originalText != original) ||
                   (e.translatedText && *e.translatedText != translated);
    if (!changed)
        return std::nullopt;
    e.setText(Side::Original, original);
    e.setText(Side::Translated, translated);
    return e;
}

} // namespace

int findRow(const SubtitleSession& session, const QString& findText, int focusedRow, SearchOptions options) {
    if (findText.isEmpty())
        return -1;
    const int count = session.rowCount();
    int position = 0;
    if (focusedRow >= 0 && focusedRow < count)
        position = options.down ? focusedRow + 1 : focusedRow - 1;
    // Folding the find text once, not once per row.
    const QString needle = options.matchCase ? findText : foldCase(findText);
    for (; position >= 0 && position < count; position += options.down ? 1 : -1) {
        const EntryRow& row = session.rows().at(position);
        const bool match =
            options.matchCase
                ? row.original.contains(needle) || row.translated.contains(needle)
                : foldCase(row.original).contains(needle) || foldCase(row.translated).contains(needle);
        if (match)
            return position;
    }
    return -1;
}

int OnFindNext(const SubtitleSession& session, const QString& findText, int focusedRow) {
    return findRow(session, findText, focusedRow, SearchOptions{false, true});
}

SessionEdit replaceInRow(const SubtitleSession& session, int row, const QString& findText,
                         const QString& replaceText, bool matchCase) {
    SessionEdit edit(QStringLiteral("Replace"));
    if (findText.isEmpty() || replaceText.isEmpty() || row < 0 || row >= session.rowCount())
        return edit;
    if (std::optional<SessionEntry> e = replacedEntry(session, row, findText, replaceText, matchCase))
        edit.replace(row, std::move(*e));
    return edit;
}

SessionEdit replaceAll(const SubtitleSession& session, const QString& findText, const QString& replaceText,
                       bool matchCase) {
    SessionEdit edit(QStringLiteral("Replace All"));
    if (findText.isEmpty() || replaceText.isEmpty())
        return edit;
    QList<int> rows;
    QVector<SessionEntry> entries;
    for (int row = 0; row < session.rowCount(); ++row)
        if (std::optional<SessionEntry> e = replacedEntry(session, row, findText, replaceText, matchCase)) {
            rows.append(row);
            entries.append(std::move(*e));
        }
    edit.replace(std::move(rows), std::move(entries));
    return edit;
}

std::optional<int> lineNumberFromText(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    const std::int32_t n = decimalValue(text);
    if (n <= 0)
        return std::nullopt;
    return n;
}
