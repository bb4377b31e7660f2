// The "Mapping Text" page: each entry's original in red above its translation in blue, in a rich
// text editor that fills the page. The page itself never scrolls; the editor does.
#pragma once

#include "subtitle/mapping_text.h"

#include <QWidget>
#include <functional>

class QTextEdit;

class CCusFormView : public QWidget {
    Q_OBJECT
public:
    explicit CCusFormView(QWidget* parent = nullptr);

    // Replaces the content with what `source` gives. Asked and written into the editor only when
    // the page is next shown: a large document costs time that a user who never opens the page
    // should not pay at start-up, nor on every edit.
    void setRunsSource(std::function<QVector<MappingRun>()> source);
    // The editor, with any pending content written.
    QTextEdit* richEdit();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void render();

    QTextEdit* m_edit;
    std::function<QVector<MappingRun>()> m_source;
    bool m_dirty = false;
};
