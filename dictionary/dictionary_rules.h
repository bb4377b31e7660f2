// What the dictionary panes store and what the Library lists: rules over records, without a window.
#pragma once

#include "dictionary/dictionary_store.h"

#include <QStringList>
#include <QVector>
#include <optional>
#include <vector>

// The record that an Add of a pane stores, or nothing when the texts break the length rules
// (original 1 to 1000 units, translation at most 1000). Line breaks become spaces so that a
// record's text stays one line.
std::optional<DictionaryRecord> dictionaryPairFromPane(const QString& original, const QString& translated);

enum class LibraryMode { Vocabulary = 0, Dictionary = 1 };
QStringList libraryColumns(LibraryMode mode);
// The Library list: one row per entry for the vocabulary, two rows (original, then translation)
// sharing one number for the dictionary. Records without the entry flag are not listed.
QVector<QStringList> libraryRows(const std::vector<DictionaryRecord>& records, LibraryMode mode);
