// Search, replace, find next and go to line.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/edit_dialogs.h"
#include "app/main_frame.h"
#include "app/report_view.h"
#include "edit/search_rules.h"

#include <QApplication>

namespace {

// Scrolls the row into view and makes it the focused and only selected row.
void FocusRecordRow(CMainFrame& frame, int row) {
    if (row >= 0 && row < frame.session().rowCount())
        frame.grid()->selectRows({row}, row);
}

void OnFindReplace(CMainFrame& frame, const FindReplaceRequest& request) {
    frame.findText = request.findText;
    frame.replaceText = request.replaceText;
    const QString& find = frame.findText;
    const QString& replacement = frame.replaceText;
    switch (request.button) {
    case FindReplaceRequest::Button::FindNext:
        if (!find.isEmpty())
            FocusRecordRow(frame, findRow(frame.session(), find, frame.focusedRow(),
                                          SearchOptions{request.matchCase, request.down}));
        break;
    case FindReplaceRequest::Button::Replace:
        if (frame.focusedRow() >= 0)
            frame.runEdit(
                replaceInRow(frame.session(), frame.focusedRow(), find, replacement, request.matchCase));
        break;
    case FindReplaceRequest::Button::ReplaceAll:
        frame.runEdit(replaceAll(frame.session(), find, replacement, request.matchCase));
        break;
    case FindReplaceRequest::Button::Closing:
        break;
    }
}

void openFindDialog(CMainFrame& frame, FindReplaceDialog::Kind kind) {
    // What the user marked is what they mean to look for; otherwise the last search again.
    QString offered = selectedSearchText(QApplication::focusWidget());
    if (offered.isEmpty())
        offered = frame.findText;
    auto* dialog = new FindReplaceDialog(kind, &frame);
    dialog->offer(offered, frame.replaceText);
    QObject::connect(dialog, &FindReplaceDialog::findReplace, &frame,
                     [f = &frame](const FindReplaceRequest& request) { OnFindReplace(*f, request); });
    frame.seam().showModeless(dialog);
}

void goToLine(CMainFrame& frame) {
    CLine_Number dialog([f = &frame](const UserMessage& m) { f->seam().showMessage(f, m); }, &frame);
    if (frame.seam().runModal(dialog) != QDialog::Accepted)
        return;
    // A number beyond the last row changes nothing.
    if (dialog.lineNumber() <= frame.session().rowCount())
        FocusRecordRow(frame, dialog.lineNumber() - 1);
}

} // namespace

void registerSearchCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    const QList<CommandSpec> rows = {
        {CommandId::Search,
         "Search",
         "edit-find",
         {QKeySequence::Find},
         [f] { openFindDialog(*f, FindReplaceDialog::Kind::Find); },
         {}},
        {CommandId::FindNext,
         "Find Next",
         "go-down-search",
         // Fixed keys rather than the desktop's: GNOME's Find Next is Ctrl+G, which would take Go to
         // Line Number's key from both, and KDE and plain X11 give Replace no key at all.
         {QKeySequence(Qt::Key_F3)},
         [f] { FocusRecordRow(*f, OnFindNext(f->session(), f->findText, f->focusedRow())); },
         {}},
        {CommandId::Replace,
         "Replace",
         "edit-find-replace",
         {QKeySequence(Qt::CTRL | Qt::Key_H)},
         [f] { openFindDialog(*f, FindReplaceDialog::Kind::Replace); },
         {}},
        {CommandId::GoToLineNumber,
         "Go to Line Number",
         "go-jump",
         {QKeySequence(Qt::CTRL | Qt::Key_G)},
         [f] { goToLine(*f); },
         {}},
    };
    for (const CommandSpec& row : rows)
        commands.add(row);
}
