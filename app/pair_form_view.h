// A small form that adds a pair of texts to one of the dictionary store's lists: two captioned
// edits and an add button.
#pragma once

#include "dictionary/dictionary_store.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;

class PairFormView : public QWidget {
    Q_OBJECT
public:
    // Stores a record; returns false when it could not be written.
    using Appender = std::function<bool(const DictionaryRecord&)>;

    PairFormView(const QString& originalCaption, const QString& translatedCaption, const QString& buttonText,
                 QWidget* parent = nullptr);

    void setAppender(Appender appender) { m_append = std::move(appender); }
    // Replaces both texts, as the grid does when its focused row changes.
    void setTexts(const QString& original, const QString& translated);

    QLineEdit* originalEdit() const { return m_original; }
    QLineEdit* translatedEdit() const { return m_translated; }
    QPushButton* addButton() const { return m_add; }

    // The add button: stores the pair when it obeys the length rules and empties the edits.
    // Returns whether a record was stored.
    bool OnAdd();

signals:
    // The pair was acceptable but the store could not take it; the edits keep their texts.
    void storeFailed();

private:
    QLineEdit* m_original;
    QLineEdit* m_translated;
    QPushButton* m_add;
    Appender m_append;
};
