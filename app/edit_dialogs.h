// The editing dialogs: "Set Delay", "Go to Line Number" and the modeless Find and Replace dialogs.
#pragma once

#include "edit/search_rules.h"
#include "edit/timing_edits.h"
#include "support/user_message.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TimeSpinEdit;

// Shifts the times of all or of the selected rows by one signed amount in the format's unit.
class CSet_Delay : public QDialog {
    Q_OBJECT
public:
    explicit CSet_Delay(std::int32_t formatMode, QWidget* parent = nullptr);

    // What the user chose; read after the dialog closed with OK.
    DelayChoice choice() const { return m_choice; }

    QComboBox* signList() const { return m_sign; }
    TimeSpinEdit* valueBox() const { return m_value; }
    QRadioButton* allRadio() const { return m_all; }
    QRadioButton* selectedRadio() const { return m_selected; }

    void accept() override;

private:
    void step(int steps);

    std::int32_t m_format;
    DelayChoice m_choice;
    QComboBox* m_sign;
    TimeSpinEdit* m_value;
    QRadioButton* m_all;
    QRadioButton* m_selected;
};

// Asks for a row by its position; digits only.
class CLine_Number : public QDialog {
    Q_OBJECT
public:
    using ShowMessage = std::function<void(const UserMessage&)>;
    CLine_Number(ShowMessage showMessage, QWidget* parent = nullptr);

    int lineNumber() const { return m_number; }
    QLineEdit* edit() const { return m_edit; }
    QPushButton* goButton() const { return m_go; }

    // "Go!": a valid number closes the dialog, anything else says so and keeps it open.
    void accept() override;

private:
    ShowMessage m_showMessage;
    QLineEdit* m_edit;
    QPushButton* m_go;
    int m_number = 0;
};

// The text selected in a line or text edit, as a user would search for it; empty for any other
// widget, no selection, or one that runs over lines.
QString selectedSearchText(const QWidget* widget);

// What a Find or Replace dialog reports: its texts, its options and which button was pressed.
struct FindReplaceRequest {
    enum class Button { FindNext, Replace, ReplaceAll, Closing };
    Button button = Button::FindNext;
    QString findText;
    QString replaceText; // always empty from a find-only dialog
    bool matchCase = false;
    bool down = true;
};

// Our own modeless find (find only, with a direction) and replace (always down) dialogs. Several
// may be open at once; each reports on its own and deletes itself when closed.
class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Find, Replace };
    explicit FindReplaceDialog(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    // Starts the dialog with these texts, "Find what" selected so that typing replaces it.
    void offer(const QString& findText, const QString& replaceText);
    QLineEdit* findEdit() const { return m_find; }
    QLineEdit* replaceEdit() const { return m_replace; }
    QCheckBox* matchCaseBox() const { return m_matchCase; }
    QRadioButton* upRadio() const { return m_up; }
    QPushButton* findNextButton() const { return m_findNext; }
    QPushButton* replaceButton() const { return m_replaceButton; }
    QPushButton* replaceAllButton() const { return m_replaceAll; }

signals:
    void findReplace(const FindReplaceRequest& request);

protected:
    void done(int result) override;

private:
    void report(FindReplaceRequest::Button button);
    void updateButtons();

    Kind m_kind;
    QLineEdit* m_find;
    QLineEdit* m_replace = nullptr;
    QCheckBox* m_matchCase;
    QRadioButton* m_up = nullptr;
    QRadioButton* m_down = nullptr;
    QPushButton* m_findNext;
    QPushButton* m_replaceButton = nullptr;
    QPushButton* m_replaceAll = nullptr;
    bool m_closingReported = false;
};
