// The timing edits: the Show and Hide boxes, "Restore Original Time" and "Set Delay".
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/edit_dialogs.h"
#include "app/main_frame.h"
#include "app/ribbon/ribbon_bar.h"
#include "app/shell_rules.h"
#include "edit/timing_edits.h"

#include <QToolButton>

namespace {

void stepBox(CMainFrame& frame, TimeBox box, int steps) {
    TimeSpinEdit* edit = box == TimeBox::Show ? frame.showTimeEdit : frame.hideTimeEdit;
    if (!edit)
        return;
    std::optional<BoxEdit> step = stepTimeBox(frame.session(), frame.focusedRow(), box, steps, edit->text());
    if (!step)
        return;
    edit->setText(step->boxText);
    frame.runEdit(step->edit);
}

void typeBoxes(CMainFrame& frame) {
    if (!frame.showTimeEdit || !frame.hideTimeEdit)
        return;
    frame.runEdit(typeTimeBoxes(frame.session(), frame.focusedRow(), frame.showTimeEdit->text(),
                                frame.hideTimeEdit->text()));
}

void restoreTime(CMainFrame& frame) {
    std::optional<RestoredTimes> restored = restoreOriginalTime(frame.session(), frame.focusedRow());
    if (!restored)
        return;
    if (restored->show && frame.showTimeEdit)
        frame.showTimeEdit->setText(*restored->show);
    if (restored->hide && frame.hideTimeEdit)
        frame.hideTimeEdit->setText(*restored->hide);
    frame.runEdit(restored->edit);
}

void setDelayCommand(CMainFrame& frame) {
    CSet_Delay dialog(frame.session().document().formatMode, &frame);
    if (frame.seam().runModal(dialog) != QDialog::Accepted)
        return;
    frame.runEdit(setDelay(frame.session(), dialog.choice(), frame.selectedRows()));
}

} // namespace

void registerTimingCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    // The two boxes act through their own notifications; their ids only carry their enabled state.
    commands.add({CommandId::ShowTime, "Show: ", "", {}, [] {}, When::ShowTimeEditable | When::Idle});
    commands.add({CommandId::HideTime, "Hide: ", "", {}, [] {}, When::HideTimeEditable | When::Idle});
    commands.add({CommandId::RestoreOriginalTime,
                  "Restore Original Time",
                  "document-revert",
                  {},
                  [f] { restoreTime(*f); },
                  When::OriginalTimeRestorable | When::Idle});
    commands.add({CommandId::SetDelay,
                  "Set Delay",
                  "appointment-new",
                  {QKeySequence(Qt::CTRL | Qt::Key_D)},
                  [f] { setDelayCommand(*f); },
                  When::Rows | When::Idle});

    QObject::connect(f, &CMainFrame::ribbonBuilt, f, [f] {
        for (auto [edit, box] :
             {std::pair{f->showTimeEdit, TimeBox::Show}, std::pair{f->hideTimeEdit, TimeBox::Hide}}) {
            if (!edit)
                continue;
            QObject::connect(edit, &TimeSpinEdit::stepped, f,
                             [f, box](int steps) { stepBox(*f, box, steps); });
            // Only what the user types: filling the boxes from a newly focused row changes nothing.
            QObject::connect(edit, &TimeSpinEdit::textEdited, f, [f] { typeBoxes(*f); });
        }
    });
}
