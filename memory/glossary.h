// A client's term list: read from CSV or TSV, found in subtitle text as whole words regardless of
// case, and checked against each row's translation.
#pragma once

#include "subtitle/entry_rows.h"
#include "support/user_message.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

struct GlossaryTerm {
    QString term;
    QString translation;
    QString note;
    friend bool operator==(const GlossaryTerm&, const GlossaryTerm&) = default;
};

// Larger term lists are refused unread.
inline constexpr qsizetype kMaxGlossaryBytes = 16 * 1024 * 1024;
// A longer term or translation is no term: its line is left out.
inline constexpr qsizetype kMaxTermLength = 500;

struct GlossaryRead {
    QList<GlossaryTerm> terms;          // in file order, each term and translation once
    QList<int> incompleteLines;         // lines left out: no term, no translation, or too long
    std::optional<UserMessage> message; // set when the file cannot be read at all (no terms then)
};

// UTF-8 (with or without its mark) or UTF-16 (with its mark, or plainly little or big endian);
// fields separated by tabs, else by commas or semicolons, whichever the first line has more of;
// fields may be quoted, with doubled quotes inside and line breaks allowed; a first line naming
// the columns is skipped. `fileName` is for the messages.
GlossaryRead readGlossary(QByteArrayView bytes, const QString& fileName);

struct GlossaryHit {
    int start = 0; // in the text as given
    int length = 0;
    int term = 0; // index into terms(); other terms with the same spelling are alternatives
    friend bool operator==(const GlossaryHit&, const GlossaryHit&) = default;
};

struct GlossaryFinding {
    int row = 0;
    GlossaryHit hit; // in the row's Original text
    friend bool operator==(const GlossaryFinding&, const GlossaryFinding&) = default;
};

class GlossaryMatcher {
public:
    explicit GlossaryMatcher(QList<GlossaryTerm> terms);

    const QList<GlossaryTerm>& terms() const { return m_terms; }
    // The terms in a text, left to right, the longest where several start at one place, never
    // overlapping. Whole words, in any case; tags and line breaks count as space. In scripts
    // written without spaces (Chinese, Japanese, Thai…) a term may start and end anywhere.
    QList<GlossaryHit> find(const QString& text) const;
    // The terms of `original` none of whose translations is in `translated`. An empty or
    // untranslated text has no findings: it is not wrong yet.
    QList<GlossaryHit> missingTranslations(const QString& original, const QString& translated) const;

private:
    QList<GlossaryTerm> m_terms;
    QList<QString> m_folded;       // each term as find() compares it
    QList<QString> m_translations; // each translation, the same way
    // One term index per spelling, by its first compared character, longest first.
    QHash<QChar, QList<int>> m_byFirst;
    // Every term index of each spelling: entries that offer other translations of one term.
    QHash<QString, QList<int>> m_spellings;
};

// The rows whose Translated text lacks the translation of a term in their Original text.
QList<GlossaryFinding> checkGlossary(const GlossaryMatcher& glossary, const QVector<EntryRow>& rows);

class MemoryStore;

struct GlossaryImport {
    int added = 0;
    int known = 0;
    QList<int> incompleteLines;
    // An error (nothing imported), or what was left out of an import that took place.
    std::optional<UserMessage> message;
};

// Reads a term list file and adds its terms to the memory's glossary, all or none.
GlossaryImport importGlossaryFile(MemoryStore& store, const QString& path);
