// What a window asks of the person in front of it: a file to open or to save to, a message to
// read, a question to answer, a dialog to fill in. Every window of both programs asks through one
// of these; the desktop answers (ui/desktop_dialogs.h), and tests answer through their own.
#pragma once

#include "support/user_message.h"

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

struct FileChoice {
    QString path;        // empty when the user cancelled
    int filterIndex = 0; // index of the name filter selected when the dialog closed, -1 if unknown
};

class DialogSeam {
public:
    virtual ~DialogSeam() = default;

    virtual FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) = 0;
    // suggestedPath, when not empty, is the file the dialog proposes: it opens in that folder with
    // that name filled in.
    virtual QString getSaveFileName(QWidget* parent, const QStringList& nameFilters,
                                    const QString& defaultSuffix, const QString& suggestedPath) = 0;
    // A save dialog with a choice of formats: the filter selected first, the suffix each filter adds
    // to a name without one, and the file proposed for each filter (a name follows the format
    // chosen). A seam without its own answers as getSaveFileName.
    virtual FileChoice getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                         const QStringList& defaultSuffixes,
                                         const QStringList& suggestedPaths) {
        return FileChoice{getSaveFileName(parent, nameFilters, defaultSuffixes.value(selectedFilter),
                                          suggestedPaths.value(selectedFilter)),
                          selectedFilter};
    }
    // A message box with the message's caption and icon; its text is never read as markup.
    virtual void showMessage(QWidget* parent, const UserMessage& message) = 0;
    // Asks a question with Yes and No; true for Yes. A seam that cannot ask answers No.
    virtual bool askYesNo(QWidget* parent, const UserMessage& question) {
        (void)parent;
        (void)question;
        return false;
    }
    // Runs a dialog modally and returns its result code.
    virtual int runModal(QDialog& dialog) = 0;
    // Shows a modeless dialog that lives on its own (it deletes itself when closed).
    virtual void showModeless(QDialog* dialog) = 0;
};
