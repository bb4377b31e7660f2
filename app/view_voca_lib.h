// The "Library" dialog: lists the vocabulary (one row per pair) or the dictionary (two rows per pair).
#pragma once

#include "dictionary/dictionary_rules.h"

#include <QDialog>

class QTableWidget;

class CViewVocaLib : public QDialog {
    Q_OBJECT
public:
    CViewVocaLib(LibraryMode mode, const std::vector<DictionaryRecord>& records, QWidget* parent = nullptr);

    LibraryMode mode() const { return m_mode; }
    QTableWidget* list() const { return m_list; }

private:
    LibraryMode m_mode;
    QTableWidget* m_list;
};
