// The command registry.
#include "app/commands/command_registry.h"

#include "app/shell_rules.h"

#include <utility>

bool isAllowed(EnabledWhen when, const CommandState& s) {
    const TimingControlStates timing =
        timingControlStates(s.selectedRows, s.hasFocusedRow, s.focusedShow, s.formatMode);
    const std::pair<When, bool> facts[] = {
        {When::Rows, s.rowCount > 0},
        {When::Selection, s.selectedRows > 0},
        {When::TwoSelected, s.selectedRows >= 2},
        {When::Idle, !s.translating},
        {When::UndoStep, s.canUndo},
        {When::RedoStep, s.canRedo},
        {When::LinesHeld, s.linesHeld},
        {When::ShowTimeEditable, timing.showEdit},
        {When::HideTimeEditable, timing.hideEdit},
        {When::OriginalTimeRestorable, timing.restoreButton},
        {When::OriginalRedecodes, s.originalRedecodes},
        {When::TranslatedRedecodes, s.translatedRedecodes},
    };
    for (const auto& [flag, holds] : facts)
        if (when.testFlag(flag) && !holds)
            return false;
    return true;
}

void CommandRegistry::add(CommandSpec command) {
    const bool enabled = isAllowed(command.enabledWhen, m_state);
    for (Row& row : m_rows)
        if (row.command.id == command.id) {
            row = Row{std::move(command), enabled};
            return;
        }
    m_rows.push_back(Row{std::move(command), enabled});
}

const CommandSpec* CommandRegistry::find(CommandId id) const {
    for (const Row& row : m_rows)
        if (row.command.id == id)
            return &row.command;
    return nullptr;
}

QList<CommandId> CommandRegistry::ids() const {
    QList<CommandId> ids;
    for (const Row& row : m_rows)
        ids.append(row.command.id);
    return ids;
}

QString CommandRegistry::label(CommandId id) const {
    const CommandSpec* command = find(id);
    return command ? command->label : QString();
}

QString CommandRegistry::menuText(CommandId id) const {
    const CommandSpec* command = find(id);
    if (!command)
        return QString();
    return command->menuText.isEmpty() ? command->label : command->menuText;
}

QString CommandRegistry::iconName(CommandId id) const {
    const CommandSpec* command = find(id);
    return command ? command->iconName : QString();
}

bool CommandRegistry::isEnabled(CommandId id) const {
    for (const Row& row : m_rows)
        if (row.command.id == id)
            return row.enabled;
    return false;
}

bool CommandRegistry::dispatch(CommandId id) {
    for (const Row& row : m_rows) {
        if (row.command.id != id)
            continue;
        if (!row.enabled || !row.command.run)
            return false;
        // A copy: the handler may register or replace commands while it runs.
        const std::function<void()> run = row.command.run;
        run();
        return true;
    }
    return false;
}

void CommandRegistry::update(const CommandState& state) {
    m_state = state;
    for (Row& row : m_rows) {
        const bool enabled = isAllowed(row.command.enabledWhen, m_state);
        if (enabled == row.enabled)
            continue;
        row.enabled = enabled;
        emit enabledChanged(row.command.id, enabled);
    }
}
