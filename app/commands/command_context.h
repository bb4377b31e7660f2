// What a command may reach of the program: the session, the selection and focus, the dialogs, the
// one door for edits, the ribbon's time boxes and language pair, the translation jobs, and what
// commands keep for the whole run. The main frame provides it; a feature's commands see nothing else.
#pragma once

#include "app/command_table.h"
#include "edit/line_operations.h"
#include "edit/timing_edits.h"
#include "subtitle/subtitle_session.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class DialogSeam;
class MemoryStore;
class QWidget;
class ReviewController;
class TimeSpinEdit;
class TranslationRunner;

class CommandContext {
public:
    virtual ~CommandContext() = default;

    // The document, to read. It changes through runEdit only, which makes it one undo step and the
    // views follow; while a translation job writes the document, runEdit changes nothing.
    virtual const SubtitleSession& session() const = 0;
    virtual SessionChange runEdit(const SessionEdit& edit) = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;

    // The selected rows in ascending order, and the focused row (-1: none).
    virtual QList<int> selectedRows() const = 0;
    virtual int focusedRow() const = 0;
    // Scrolls the row into view and makes it the focused and only selected row.
    virtual void focusRow(int row) = 0;

    virtual DialogSeam& dialogs() = 0;
    // The window the commands' dialogs belong to.
    virtual QWidget* dialogParent() = 0;

    // The Show and Hide boxes; nullptr until the ribbon is built.
    virtual TimeSpinEdit* timeBox(TimeBox box) const = 0;
    // The request's language pair, from the "Translate From" and "To" boxes.
    virtual QByteArray languagePair() const = 0;
    // A command's control on the ribbon (a combo, a button); nullptr until the ribbon is built.
    virtual QWidget* ribbonControl(CommandId id) const = 0;
    // Runs once the ribbon exists, for a feature whose controls act without a command of their own.
    virtual void whenRibbonBuilt(std::function<void()> connect) = 0;
    // A passing word in the status bar.
    virtual void showStatus(const QString& text, int milliseconds = 8000) = 0;
    // What a command changed without an edit (the lines Copy Line holds) reaches the enabled rules.
    virtual void refreshCommandStates() = 0;

    virtual TranslationRunner& translationRunner() = 0;
    // The checks of the document, which follow every change.
    virtual ReviewController& review() = 0;
    // The translation memory (nullptr when the program has none), and the word that it changed.
    virtual MemoryStore* memory() { return nullptr; }
    virtual void memoryChanged() {}

    // Kept for the whole run.
    LineClipboard lineClipboard;
    QString findText;
    QString replaceText;
};
