// The command registry.
#include "app/commands/command_registry.h"

#include "app/ribbon/ribbon_icons.h"

void CommandRegistry::add(CommandSpec spec) {
    for (Row& row : m_rows)
        if (row.spec.id == spec.id) {
            row.spec = std::move(spec);
            row.enabled = evaluate(row);
            return;
        }
    m_rows.push_back(Row{std::move(spec), true});
    m_rows.back().enabled = evaluate(m_rows.back());
}

const CommandSpec* CommandRegistry::find(CommandId id) const {
    for (const Row& row : m_rows)
        if (row.spec.id == id)
            return &row.spec;
    return nullptr;
}

QList<CommandId> CommandRegistry::ids() const {
    QList<CommandId> ids;
    for (const Row& row : m_rows)
        ids.append(row.spec.id);
    return ids;
}

QString CommandRegistry::label(CommandId id) const {
    const CommandSpec* spec = find(id);
    return spec ? spec->label : QString();
}

QIcon CommandRegistry::icon(CommandId id) const {
    const CommandSpec* spec = find(id);
    return spec && !spec->iconName.isEmpty() ? commandIcon(spec->iconName) : QIcon();
}

bool CommandRegistry::isEnabled(CommandId id) const {
    for (const Row& row : m_rows)
        if (row.spec.id == id)
            return row.enabled;
    return false;
}

bool CommandRegistry::dispatch(CommandId id) {
    for (const Row& row : m_rows) {
        if (row.spec.id != id)
            continue;
        if (!row.enabled || !row.spec.run)
            return false;
        // A copy: the handler may register or replace commands while it runs.
        const std::function<void()> run = row.spec.run;
        run();
        return true;
    }
    return false;
}

bool CommandRegistry::evaluate(const Row& row) const {
    return !row.spec.enabledWhen || row.spec.enabledWhen(m_state);
}

void CommandRegistry::update(const CommandState& state) {
    m_state = state;
    for (Row& row : m_rows) {
        const bool enabled = evaluate(row);
        if (enabled == row.enabled)
            continue;
        row.enabled = enabled;
        emit enabledChanged(row.spec.id, enabled);
    }
}
