// The timing edits: the Show and Hide boxes, "Restore Original Time" and "Set Delay".
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/edit_dialogs.h"
#include "app/ribbon/ribbon_bar.h"
#include "edit/timing_edits.h"
#include "ui/dialog_seam.h"

namespace {

void stepBox(CommandContext& context, TimeBox box, int steps) {
    TimeSpinEdit* edit = context.timeBox(box);
    if (!edit)
        return;
    std::optional<BoxEdit> step =
        stepTimeBox(context.session(), context.focusedRow(), box, steps, edit->text());
    if (!step)
        return;
    edit->setText(step->boxText);
    context.runEdit(step->edit);
}

void typeBoxes(CommandContext& context) {
    TimeSpinEdit* show = context.timeBox(TimeBox::Show);
    TimeSpinEdit* hide = context.timeBox(TimeBox::Hide);
    if (!show || !hide)
        return;
    const TypedTimes typed =
        typeTimeBoxes(context.session(), context.focusedRow(), show->text(), hide->text());
    if (typed.verdict == TypedVerdict::HideBeforeShow)
        context.showStatus(QString::fromUtf16(kHideBeforeShowStatus));
    context.runEdit(typed.edit);
}

// Leaving a box that holds no time the row took shows the row's times again.
void leaveBoxes(CommandContext& context) {
    const int row = context.focusedRow();
    if (row < 0 || row >= context.session().rowCount())
        return;
    const EntryRow& entry = context.session().rows().at(row);
    for (auto [box, text] : {std::pair{TimeBox::Show, entry.show}, std::pair{TimeBox::Hide, entry.hide}})
        if (TimeSpinEdit* edit = context.timeBox(box); edit && edit->text() != text)
            edit->setText(text);
}

void restoreTime(CommandContext& context) {
    std::optional<RestoredTimes> restored = restoreOriginalTime(context.session(), context.focusedRow());
    if (!restored)
        return;
    for (auto [box, text] :
         {std::pair{TimeBox::Show, restored->show}, std::pair{TimeBox::Hide, restored->hide}})
        if (TimeSpinEdit* edit = context.timeBox(box); edit && text)
            edit->setText(*text);
    context.runEdit(restored->edit);
}

void setDelayCommand(CommandContext& context) {
    CSet_Delay dialog(context.session().document().formatMode, context.dialogParent());
    if (context.dialogs().runModal(dialog) != QDialog::Accepted)
        return;
    context.runEdit(setDelay(context.session(), dialog.choice(), context.selectedRows()));
}

} // namespace

void registerTimingCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    // The two boxes act through their own notifications; their ids only carry their enabled state.
    commands.add({CommandId::ShowTime, "Show: ", "", {}, [] {}, When::ShowTimeEditable | When::Idle});
    commands.add({CommandId::HideTime, "Hide: ", "", {}, [] {}, When::HideTimeEditable | When::Idle});
    commands.add({CommandId::RestoreOriginalTime,
                  "Restore Original Time",
                  "document-revert",
                  {QKeySequence(Qt::CTRL | Qt::Key_R)},
                  [c] { restoreTime(*c); },
                  When::OriginalTimeRestorable | When::Idle});
    commands.add({CommandId::SetDelay,
                  "Set Delay",
                  "appointment-new",
                  {QKeySequence(Qt::CTRL | Qt::Key_D)},
                  [c] { setDelayCommand(*c); },
                  When::Rows | When::Idle});

    c->whenRibbonBuilt([c] {
        for (TimeBox box : {TimeBox::Show, TimeBox::Hide}) {
            TimeSpinEdit* edit = c->timeBox(box);
            if (!edit)
                continue;
            QObject::connect(edit, &TimeSpinEdit::stepped, edit,
                             [c, box](int steps) { stepBox(*c, box, steps); });
            // Only what the user types: filling the boxes from a newly focused row changes nothing.
            QObject::connect(edit, &TimeSpinEdit::textEdited, edit, [c] { typeBoxes(*c); });
            QObject::connect(edit, &TimeSpinEdit::editingFinished, edit, [c] { leaveBoxes(*c); });
        }
    });
}
