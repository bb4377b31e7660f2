// Every command of velmora in one registry: id, label, icon, shortcuts, what it does and when it
// can be used. The ribbon, the menus and the shortcuts are built from it, and each feature adds
// its own rows from its own file.
#pragma once

#include "app/command_table.h"

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// What enabled-when rules look at; the frame refreshes it whenever the document, the selection,
// the history or a job's state moves.
struct CommandState {
    int rowCount = 0;
    int selectedRows = 0;
    bool hasFocusedRow = false;
    QString focusedShow; // the focused row's Show text
    std::int32_t formatMode = 1;
    bool translating = false;
    bool canUndo = false;
    bool canRedo = false;

    friend bool operator==(const CommandState&, const CommandState&) = default;
};

using EnabledWhen = std::function<bool(const CommandState&)>;

// Common rules; a command without one is always enabled.
namespace when {
inline bool hasRows(const CommandState& s) {
    return s.rowCount > 0;
}
inline bool hasSelection(const CommandState& s) {
    return s.selectedRows > 0;
}
inline bool twoSelected(const CommandState& s) {
    return s.selectedRows >= 2;
}
inline bool idle(const CommandState& s) {
    return !s.translating;
}
} // namespace when

struct CommandSpec {
    CommandId id;
    QString label;
    // A desktop icon theme name; our own drawing stands in where the theme has none. Empty: no image.
    QString iconName;
    QList<QKeySequence> shortcuts;
    std::function<void()> run;
    EnabledWhen enabledWhen;
};

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    explicit CommandRegistry(QObject* parent = nullptr) : QObject(parent) {}

    // A later row for the same id replaces the earlier one.
    void add(CommandSpec command);
    const CommandSpec* find(CommandId id) const;
    bool contains(CommandId id) const { return find(id) != nullptr; }
    QList<CommandId> ids() const;

    QString label(CommandId id) const;
    QIcon icon(CommandId id) const;
    bool isEnabled(CommandId id) const;

    // Runs the command when it is registered and enabled; returns whether it ran.
    bool dispatch(CommandId id);
    // Re-evaluates every rule against the new state and announces the commands whose state moved.
    void update(const CommandState& state);
    const CommandState& state() const { return m_state; }

signals:
    void enabledChanged(CommandId id, bool enabled);

private:
    struct Row {
        CommandSpec command;
        bool enabled = true;
    };
    bool evaluate(const Row& row) const;

    std::vector<Row> m_rows;
    CommandState m_state;
};
