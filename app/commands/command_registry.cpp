// The command registry.
#include "app/commands/command_registry.h"

#include "app/ribbon/ribbon_icons.h"

void CommandRegistry::add(CommandSpec command) {
    for (Row& row : m_rows)
        if (row.command.id == command.id) {
            row.command = std::move(command);
            row.enabled = evaluate(row);
            return;
        }
    m_rows.push_back(Row{std::move(command), true});
    m_rows.back().enabled = evaluate(m_rows.back());
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

QIcon CommandRegistry::icon(CommandId id) const {
    const CommandSpec* command = find(id);
    return command && !command->iconName.isEmpty() ? commandIcon(command->iconName) : QIcon();
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

bool CommandRegistry::evaluate(const Row& row) const {
    return !row.command.enabledWhen || row.command.enabledWhen(m_state);
}

void CommandRegistry::update(const CommandState& state) {
    m_state = state;
    for (Row& row : m_rows) {
        const bool enabled = evaluate(row);
        if (enabled == row.enabled)
            continue;
        row.enabled = enabled;
        emit enabledChanged(row.command.id, enabled);
    }
}
