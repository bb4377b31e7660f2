// What an edit of the session is made of, and what it changed: the steps that undo and redo replay.
#pragma once

#include "subtitle/entry_rows.h"
#include "subtitle/subtitle_format.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>

// What one load kept of an 8-bit file: the bytes of each entry's text (its lines as they stood in
// the file, without what the reader cut off before the text, separated by line feed bytes), and
// the text each entry showed when they were last decoded. Choosing another character set decodes
// the bytes afresh, so no choice ever loses a character. Shared by the rows of the load and by
// the undo history; re-decoding makes a new one with the new texts.
struct LoadedBytes {
    struct Slice {
        qsizetype offset = -1; // -1: this entry's bytes are not known
        qsizetype length = 0;
    };
    QByteArray bytes;
    QVector<Slice> slices;
    QStringList texts;
    // How the reader made the text of the lines (SubViewer 2.0 turns "[br]" into "|").
    std::int32_t format = kSubRip;
};

// One side of a row: which entry of which load its text was read as. It applies only while the
// cell still shows that entry's text: an edited cell keeps its own.
struct SourceRef {
    std::shared_ptr<const LoadedBytes> load;
    qint32 index = -1;

    bool isValid() const {
        return load && index >= 0 && index < load->slices.size() && index < load->texts.size() &&
               load->slices[index].offset >= 0;
    }
    QByteArrayView bytes() const {
        if (!isValid())
            return {};
        const LoadedBytes::Slice& s = load->slices[index];
        return QByteArrayView(load->bytes).sliced(s.offset, s.length);
    }
    QString text() const { return isValid() ? load->texts[index] : QString(); }
    friend bool operator==(const SourceRef&, const SourceRef&) = default;
};

// Both sides' sources of one row; invalid for text that did not come from an 8-bit file, or was
// edited.
struct RowSources {
    SourceRef original;
    SourceRef translated;

    SourceRef& side(Side s) { return s == Side::Original ? original : translated; }
    const SourceRef& side(Side s) const { return s == Side::Original ? original : translated; }
    friend bool operator==(const RowSources&, const RowSources&) = default;
};

// One entry in both forms: its row and its elements of the four lists that move with the rows.
// A list that does not reach the entry's index has no element for it (nullopt): rows may outnumber
// the lists after an interrupted load or when a translation is shorter than the original.
struct SessionEntry {
    EntryRow row;
    std::optional<QString> loadedTimeLine;
    std::optional<QString> timeLine;
    std::optional<QString> originalText;
    std::optional<QString> translatedText;
    RowSources sources;

    // Sets one side's cell and, where the list reaches the row, its element. A new text drops the
    // side's source bytes, since they no longer say what the cell holds.
    void setText(Side side, const QString& text) {
        QString& cell = side == Side::Original ? row.original : row.translated;
        if (cell != text)
            sources.side(side) = SourceRef{};
        cell = text;
        std::optional<QString>& element = side == Side::Original ? originalText : translatedText;
        if (element)
            element = text;
    }

    friend bool operator==(const SessionEntry&, const SessionEntry&) = default;
};

// The lists of the document that move with the rows.
enum class DocumentList : std::uint8_t { LoadedTimeLines, TimeLines, OriginalTexts, TranslatedTexts };

// What an edit changed of what the saves write, as bits: a side's texts (sideBit), and the times
// and rows, which both sides' saves write.
using SideMask = std::uint8_t;
inline constexpr SideMask sideBit(Side side) {
    return SideMask(1u << int(side));
}
inline constexpr SideMask kTimesAndRows = 4;
// What a side's save writes.
inline constexpr SideMask savedBy(Side side) {
    return sideBit(side) | kTimesAndRows;
}

// Columns of a change, as bits of 1 << EntryColumn.
using ColumnMask = std::uint8_t;
inline constexpr ColumnMask columnBit(int column) {
    return ColumnMask(1u << column);
}
inline constexpr ColumnMask kTimeColumns = columnBit(kColumnShow) | columnBit(kColumnHide);
inline constexpr ColumnMask kTextColumns = columnBit(kColumnOriginal) | columnBit(kColumnTranslated);

// What an edit, an undo or a redo changed, so that the views can follow in one step.
struct SessionChange {
    enum class Shape {
        Unchanged, // no row came or went
        Inserted,  // rows [first, first + count) are new
        Removed,   // the rows that were at [first, first + count) are gone
        Rebuilt,   // rows came or went in several places: the views start over
    };
    Shape shape = Shape::Unchanged;
    int first = 0;
    int count = 0;

    // Rows whose cells may differ, in the indexes after the change; -1 when none.
    int firstChangedRow = -1;
    int lastChangedRow = -1;
    ColumnMask columns = 0;
    // Which lists of the document changed.
    bool timeLinesChanged = false;
    bool textsChanged = false;
    bool codePagesChanged = false;
    // The "Mapping Text" page shows the rows anew (after re-decoding and translation, not after edits).
    bool rebuildsMapping = false;

    // What to select and focus afterwards; nullopt leaves the selection as it is.
    std::optional<QList<int>> selection;
    int focus = -1;

    bool isEmpty() const {
        return shape == Shape::Unchanged && firstChangedRow < 0 && !timeLinesChanged && !textsChanged &&
               !codePagesChanged;
    }
    bool changesRows() const { return shape != Shape::Unchanged; }
};

// The steps of one edit, applied in order; each refers to the rows as the steps before it left them.
// A session applies an edit as one undo step and checks every index it is given.
class SessionEdit {
public:
    // New entries at ascending positions, each position counted after the ones before were placed.
    struct Insert {
        QList<int> positions;
        QVector<SessionEntry> entries;
    };
    // The rows at these indexes (ascending, distinct) leave together.
    struct Remove {
        QList<int> rows;
    };
    // Rows (ascending, distinct) take these entries; a list element changes only where the list
    // reaches the row, so no list grows or shrinks.
    struct Replace {
        QList<int> rows;
        QVector<SessionEntry> entries;
    };
    // Rows from `from` on take these numbers.
    struct SetNumbers {
        int from = 0;
        QVector<std::optional<double>> numbers;
    };
    struct SetCodePage {
        Side side = Side::Original;
        std::uint32_t codePage = 0;
    };
    // One list takes a new length: the elements beyond it leave, and `fill` supplies the new ones
    // in order. The session adds these itself when an edit reaches rows beyond a list's end, so
    // that what those rows show gets saved.
    struct Resize {
        DocumentList list = DocumentList::TimeLines;
        qsizetype length = 0;
        QStringList fill;
    };
    using Step = std::variant<Insert, Remove, Replace, SetNumbers, SetCodePage, Resize>;

    explicit SessionEdit(QString label = {}) : m_label(std::move(label)) {}

    void insert(int at, QVector<SessionEntry> entries);
    void insertAt(QList<int> positions, QVector<SessionEntry> entries);
    // Sorts and drops repeated rows.
    void remove(QList<int> rows);
    void replace(int row, SessionEntry entry);
    void replace(QList<int> rows, QVector<SessionEntry> entries);
    void setNumbers(int from, QVector<std::optional<double>> numbers);
    void setCodePage(Side side, std::uint32_t codePage);
    void append(Step step) { m_steps.append(std::move(step)); }

    // The selection and focus to show once the edit is done.
    void select(QList<int> rows, int focus) {
        m_selection = std::move(rows);
        m_focus = focus;
    }
    // Re-decoding and translation redraw the "Mapping Text" page; other edits leave it.
    void setRebuildsMapping(bool on) { m_rebuildsMapping = on; }
    // Consecutive edits with the same non-empty key become one undo step (typing into a time box).
    void setMergeKey(QString key) { m_mergeKey = std::move(key); }

    const QString& label() const { return m_label; }
    const QVector<Step>& steps() const { return m_steps; }
    bool isEmpty() const { return m_steps.isEmpty(); }
    const std::optional<QList<int>>& selection() const { return m_selection; }
    int focus() const { return m_focus; }
    bool rebuildsMapping() const { return m_rebuildsMapping; }
    const QString& mergeKey() const { return m_mergeKey; }

private:
    QString m_label;
    QVector<Step> m_steps;
    std::optional<QList<int>> m_selection;
    int m_focus = -1;
    bool m_rebuildsMapping = false;
    QString m_mergeKey;
};
