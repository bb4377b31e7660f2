// Search, replace, find next and go to line.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/edit_dialogs.h"
#include "edit/search_rules.h"
#include "ui/dialog_seam.h"

#include <QApplication>

namespace {

// Scrolls the row into view and makes it the focused and only selected row; a row that is not
// there changes nothing.
void FocusRecordRow(CommandContext& context, int row) {
    if (row >= 0 && row < context.session().rowCount())
        context.focusRow(row);
}

void OnFindReplace(CommandContext& context, const FindReplaceRequest& request) {
    context.findText = request.findText;
    context.replaceText = request.replaceText;
    const QString& find = context.findText;
    const QString& replacement = context.replaceText;
    switch (request.button) {
    case FindReplaceRequest::Button::FindNext:
        if (!find.isEmpty())
            FocusRecordRow(context, findRow(context.session(), find, context.focusedRow(),
                                            SearchOptions{request.matchCase, request.down}));
        break;
    case FindReplaceRequest::Button::Replace:
        if (context.focusedRow() >= 0)
            context.runEdit(
                replaceInRow(context.session(), context.focusedRow(), find, replacement, request.matchCase));
        break;
    case FindReplaceRequest::Button::ReplaceAll:
        context.runEdit(replaceAll(context.session(), find, replacement, request.matchCase));
        break;
    case FindReplaceRequest::Button::Closing:
        break;
    }
}

void openFindDialog(CommandContext& context, FindReplaceDialog::Kind kind) {
    // What the user marked is what they mean to look for; otherwise the last search again.
    QString offered = selectedSearchText(QApplication::focusWidget());
    if (offered.isEmpty())
        offered = context.findText;
    auto* dialog = new FindReplaceDialog(kind, context.dialogParent());
    dialog->offer(offered, context.replaceText);
    QObject::connect(dialog, &FindReplaceDialog::findReplace, dialog,
                     [c = &context](const FindReplaceRequest& request) { OnFindReplace(*c, request); });
    context.dialogs().showModeless(dialog);
}

void goToLine(CommandContext& context) {
    CLine_Number dialog(
        [c = &context](const UserMessage& m) { c->dialogs().showMessage(c->dialogParent(), m); },
        context.dialogParent());
    if (context.dialogs().runModal(dialog) != QDialog::Accepted)
        return;
    // A number beyond the last row changes nothing.
    if (dialog.lineNumber() <= context.session().rowCount())
        FocusRecordRow(context, dialog.lineNumber() - 1);
}

} // namespace

void registerSearchCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    const QList<CommandSpec> rows = {
        {CommandId::Search,
         "Search",
         "edit-find",
         {QKeySequence::Find},
         [c] { openFindDialog(*c, FindReplaceDialog::Kind::Find); },
         {}},
        {CommandId::FindNext,
         "Find Next",
         "go-down-search",
         // Fixed keys rather than the desktop's: GNOME's Find Next is Ctrl+G, which would take Go to
         // Line Number's key from both, and KDE and plain X11 give Replace no key at all.
         {QKeySequence(Qt::Key_F3)},
         [c] { FocusRecordRow(*c, OnFindNext(c->session(), c->findText, c->focusedRow())); },
         {}},
        {CommandId::Replace,
         "Replace",
         "edit-find-replace",
         {QKeySequence(Qt::CTRL | Qt::Key_H)},
         [c] { openFindDialog(*c, FindReplaceDialog::Kind::Replace); },
         {}},
        {CommandId::GoToLineNumber,
         "Go to Line Number",
         "go-jump",
         {QKeySequence(Qt::CTRL | Qt::Key_G)},
         [c] { goToLine(*c); },
         {}},
    };
    for (const CommandSpec& row : rows)
        commands.add(row);
}
