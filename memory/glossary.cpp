// Reading term lists, finding their terms in subtitle text, and checking translations against them.
#include "memory/glossary.h"

#include "memory/memory_store.h"
#include "memory/memory_text.h"
#include "subtitle/subtitle_document.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

namespace {

// ---------------------------------------------------------------- decoding

std::optional<QString> decodeGlossary(QByteArrayView bytes) {
    auto decode = [](QStringConverter::Encoding encoding, QByteArrayView data) -> std::optional<QString> {
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
        QString text = decoder.decode(data);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    };
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decode(QStringConverter::Utf8, bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decode(QStringConverter::Utf16LE, bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return decode(QStringConverter::Utf16BE, bytes.sliced(2));
    // UTF-16 without its mark: the zero bytes of Latin text sit on one side of every pair.
    qsizetype zeroEven = 0, zeroOdd = 0;
    const qsizetype probe = std::min<qsizetype>(bytes.size(), 4096);
    for (qsizetype i = 0; i < probe; ++i)
        if (bytes[i] == '\0')
            ++(i % 2 ? zeroOdd : zeroEven);
    if (zeroOdd > probe / 4 && zeroEven == 0)
        return decode(QStringConverter::Utf16LE, bytes);
    if (zeroEven > probe / 4 && zeroOdd == 0)
        return decode(QStringConverter::Utf16BE, bytes);
    if (zeroEven + zeroOdd > 0)
        return std::nullopt;
    return decode(QStringConverter::Utf8, bytes);
}

UserMessage tooLargeMessage(const QString& fileName) {
    return errorMessage(QStringLiteral("%1 is larger than %2 MB; a term list that large is not read.")
                            .arg(fileName)
                            .arg(kMaxGlossaryBytes >> 20));
}

// ---------------------------------------------------------------- fields

struct Record {
    int line = 0;
    QStringList fields;
};

QChar detectDelimiter(const QString& text) {
    const QStringView first = QStringView(text).left(std::max<qsizetype>(0, text.indexOf(u'\n')));
    const QStringView line = first.isEmpty() ? QStringView(text) : first;
    if (line.contains(u'\t'))
        return u'\t';
    return line.count(u';') > line.count(u',') ? QChar(u';') : QChar(u',');
}

struct Split {
    QList<Record> records;
    int unclosedQuoteLine = 0; // set when a quoted field runs to the end of the file
};

// Fields as spreadsheets write them: a field that starts with a quote runs to the next lone
// quote, "" stands for one quote, and delimiters and line breaks inside are text.
Split splitRecords(const QString& text, QChar delimiter) {
    Split split;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    auto atLineEnd = [&](qsizetype k) { return text[k] == u'\n' || text[k] == u'\r'; };
    auto skipLineEnd = [&] {
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        ++i;
        ++line;
    };
    while (i < n) {
        Record record{line, {}};
        for (;;) {
            QString field;
            if (i < n && text[i] == u'"') {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        split.unclosedQuoteLine = opened;
                        return split;
                    }
                    if (text[i] == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field.append(u'"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (text[i] == u'\n' || (text[i] == u'\r' && !(i + 1 < n && text[i + 1] == u'\n')))
                        ++line;
                    field.append(text[i++]);
                }
            }
            // Unquoted text, or what follows a closing quote, up to the delimiter or the line end.
            while (i < n && text[i] != delimiter && !atLineEnd(i))
                field.append(text[i++]);
            record.fields.append(field.trimmed());
            if (i < n && text[i] == delimiter) {
                ++i;
                continue;
            }
            if (i < n)
                skipLineEnd();
            break;
        }
        split.records.append(record);
    }
    return split;
}

bool isHeader(const QStringList& fields) {
    static const QSet<QString> kTermNames = {
        QStringLiteral("term"),        QStringLiteral("terms"),       QStringLiteral("source"),
        QStringLiteral("source term"), QStringLiteral("source text"), QStringLiteral("original"),
        QStringLiteral("word"),        QStringLiteral("entry"),
    };
    static const QSet<QString> kTranslationNames = {
        QStringLiteral("translation"), QStringLiteral("translations"), QStringLiteral("target"),
        QStringLiteral("target term"), QStringLiteral("target text"),  QStringLiteral("translated"),
    };
    return fields.size() >= 2 && kTermNames.contains(fields[0].toLower()) &&
           kTranslationNames.contains(fields[1].toLower());
}

// ---------------------------------------------------------------- matching text

// A text as terms are compared in it, with, for each of its UTF-16 units, the stretch of the
// original text it came from. Markup is left out (line breaks become a space), space runs are one
// space, and each character with its combining marks is composed and case-folded.
struct SearchText {
    QString text;
    QList<int> from;
    QList<int> to;
};

SearchText searchText(const QString& raw) {
    SearchText s;
    const int n = int(raw.size());
    bool pendingSpace = false;
    for (int i = 0; i < n;) {
        if (const Markup m = markupAt(raw, i); m.length > 0) {
            pendingSpace = pendingSpace || m.isBreak;
            i += m.length;
            continue;
        }
        const int start = i;
        QString cluster;
        int width = 1;
        if (const CharacterReference r = characterReferenceAt(raw, i); r.length > 0) {
            const char32_t one[] = {r.value};
            cluster = isSpaceCharacter(r.value) ? QString() : QString::fromUcs4(one, 1);
            i += r.length;
            if (cluster.isEmpty()) {
                pendingSpace = true;
                continue;
            }
        } else {
            const char32_t cp = codePointAt(raw, i, &width);
            i += width;
            if (isSpaceCharacter(cp)) {
                pendingSpace = true;
                continue;
            }
            // The combining marks that follow belong to the character.
            while (i < n) {
                const char32_t next = codePointAt(raw, i, &width);
                const QChar::Category cat = QChar::category(next);
                if (cat != QChar::Mark_NonSpacing && cat != QChar::Mark_SpacingCombining &&
                    cat != QChar::Mark_Enclosing)
                    break;
                i += width;
            }
            cluster = raw.mid(start, i - start);
        }
        if (pendingSpace && !s.text.isEmpty()) {
            s.text.append(u' ');
            s.from.append(start);
            s.to.append(start);
        }
        pendingSpace = false;
        const QString folded = foldForComparison(cluster);
        for (QChar c : folded) {
            s.text.append(c);
            s.from.append(start);
            s.to.append(i);
        }
    }
    return s;
}

char32_t codePointBefore(const QString& text, int end) {
    if (end >= 2 && text[end - 1].isLowSurrogate() && text[end - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(text[end - 2], text[end - 1]);
    return text[end - 1].unicode();
}

// No word goes on across the place between two characters.
bool separates(char32_t before, char32_t after) {
    return !isWordCharacter(before) || !isWordCharacter(after) || isUnspacedScript(before) ||
           isUnspacedScript(after);
}

bool wholeAt(const QString& text, int start, int end) {
    int width = 1;
    if (start > 0 && !separates(codePointBefore(text, start), codePointAt(text, start, &width)))
        return false;
    if (end < text.size() && !separates(codePointBefore(text, end), codePointAt(text, end, &width)))
        return false;
    return true;
}

bool containsPhrase(const QString& text, const QString& phrase) {
    if (phrase.isEmpty())
        return false;
    for (qsizetype at = text.indexOf(phrase); at >= 0; at = text.indexOf(phrase, at + 1))
        if (wholeAt(text, int(at), int(at + phrase.size())))
            return true;
    return false;
}

} // namespace

// ---------------------------------------------------------------- reading

GlossaryRead readGlossary(QByteArrayView bytes, const QString& fileName) {
    GlossaryRead read;
    if (bytes.size() > kMaxGlossaryBytes) {
        read.message = tooLargeMessage(fileName);
        return read;
    }
    const std::optional<QString> text = decodeGlossary(bytes);
    if (!text) {
        read.message = errorMessage(
            QStringLiteral(
                "%1 is neither UTF-8 nor UTF-16 text. Save it as UTF-8 and import it again; nothing was "
                "imported.")
                .arg(fileName));
        return read;
    }
    const Split split = splitRecords(*text, detectDelimiter(*text));
    if (split.unclosedQuoteLine > 0) {
        read.message =
            errorMessage(QStringLiteral("%1, line %2: a quoted field is not closed. Nothing was imported.")
                             .arg(fileName)
                             .arg(split.unclosedQuoteLine));
        return read;
    }
    QSet<QPair<QString, QString>> seen;
    bool first = true;
    for (const Record& record : split.records) {
        if (std::all_of(record.fields.begin(), record.fields.end(),
                        [](const QString& f) { return f.isEmpty(); }))
            continue;
        const bool header = first && isHeader(record.fields);
        first = false;
        if (header)
            continue;
        GlossaryTerm term{record.fields.value(0), record.fields.value(1), record.fields.value(2)};
        if (term.term.isEmpty() || term.translation.isEmpty() || term.term.size() > kMaxTermLength ||
            term.translation.size() > kMaxTermLength) {
            read.incompleteLines.append(record.line);
            continue;
        }
        if (seen.contains({term.term, term.translation}))
            continue;
        seen.insert({term.term, term.translation});
        read.terms.append(term);
    }
    if (read.terms.isEmpty()) {
        read.message = errorMessage(
            QStringLiteral(
                "%1 holds no term with a translation (a term, a tab or comma, its translation, and "
                "optionally a note on each line). Nothing was imported.")
                .arg(fileName));
    }
    return read;
}

// ---------------------------------------------------------------- matching

GlossaryMatcher::GlossaryMatcher(QList<GlossaryTerm> terms) : m_terms(std::move(terms)) {
    for (const GlossaryTerm& t : m_terms) {
        m_folded.append(searchText(t.term).text);
        m_translations.append(searchText(t.translation).text);
    }
    for (int i = 0; i < m_terms.size(); ++i) {
        const QString& f = m_folded[i];
        if (f.isEmpty())
            continue;
        QList<int>& spelling = m_spellings[f];
        if (spelling.isEmpty())
            m_byFirst[f[0]].append(i);
        spelling.append(i);
    }
    for (QList<int>& list : m_byFirst)
        std::stable_sort(list.begin(), list.end(),
                         [&](int a, int b) { return m_folded[a].size() > m_folded[b].size(); });
}

QList<GlossaryHit> GlossaryMatcher::find(const QString& text) const {
    QList<GlossaryHit> hits;
    if (m_byFirst.isEmpty())
        return hits;
    const SearchText s = searchText(text);
    const QStringView view(s.text);
    for (int at = 0; at < s.text.size(); ++at) {
        const auto candidates = m_byFirst.constFind(s.text[at]);
        if (candidates == m_byFirst.constEnd())
            continue;
        for (int term : *candidates) {
            const QString& f = m_folded[term];
            const int end = at + int(f.size());
            if (!view.mid(at).startsWith(f) || !wholeAt(s.text, at, end))
                continue;
            hits.append(GlossaryHit{s.from[at], s.to[end - 1] - s.from[at], term});
            at = end - 1;
            break;
        }
    }
    return hits;
}

QList<GlossaryHit> GlossaryMatcher::missingTranslations(const QString& original,
                                                        const QString& translated) const {
    QList<GlossaryHit> missing;
    if (translated.trimmed().isEmpty() || translated == kUntranslated)
        return missing;
    const QList<GlossaryHit> hits = find(original);
    if (hits.isEmpty())
        return missing;
    const QString target = searchText(translated).text;
    for (const GlossaryHit& hit : hits) {
        const QList<int> spelling = m_spellings.value(m_folded[hit.term]);
        const bool found = std::any_of(spelling.begin(), spelling.end(),
                                       [&](int i) { return containsPhrase(target, m_translations[i]); });
        if (!found)
            missing.append(hit);
    }
    return missing;
}

QList<GlossaryFinding> checkGlossary(const GlossaryMatcher& glossary, const QVector<EntryRow>& rows) {
    QList<GlossaryFinding> findings;
    for (int row = 0; row < rows.size(); ++row)
        for (const GlossaryHit& hit : glossary.missingTranslations(rows[row].original, rows[row].translated))
            findings.append(GlossaryFinding{row, hit});
    return findings;
}

GlossaryImport importGlossaryFile(MemoryStore& store, const QString& path) {
    GlossaryImport result;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.message =
            errorMessage(QStringLiteral("%1 cannot be read (%2).").arg(path, file.errorString()));
        return result;
    }
    if (file.size() > kMaxGlossaryBytes) {
        result.message = tooLargeMessage(name);
        return result;
    }
    const GlossaryRead read = readGlossary(file.readAll(), name);
    if (read.message) {
        result.message = read.message;
        return result;
    }
    const MemoryWrite written = store.addGlossaryTerms(read.terms);
    if (written.message) {
        result.message = written.message;
        return result;
    }
    result.added = written.added;
    result.known = written.known;
    result.incompleteLines = read.incompleteLines;
    if (!read.incompleteLines.isEmpty()) {
        QStringList lines;
        for (int line : read.incompleteLines.first(std::min<qsizetype>(read.incompleteLines.size(), 10)))
            lines.append(QString::number(line));
        if (read.incompleteLines.size() > 10)
            lines.append(QStringLiteral("…"));
        result.message = UserMessage{
            QStringLiteral("%1 new terms from %2. Left out for want of a term or a translation, or for being "
                           "longer than %3 characters: line %4.")
                .arg(result.added)
                .arg(name)
                .arg(kMaxTermLength)
                .arg(lines.join(QStringLiteral(", "))),
            QStringLiteral("Glossary"), MessageIcon::Information};
    }
    return result;
}
