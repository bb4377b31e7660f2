// Every command of velmora in one registry: id, label, icon name, shortcuts, what it does and when
// it can be used. The ribbon, the menus and the shortcuts are built from it, and each feature adds
// its own rows from its own file.
#pragma once

#include "app/command_table.h"

#include <QFlags>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// What enabled-when rules look at; the frame refreshes it whenever the document, the selection,
// the history, the line clipboard or a job's state moves.
struct CommandState {
    int rowCount = 0;
    int selectedRows = 0;
    bool hasFocusedRow = false;
    QString focusedShow; // the focused row's Show text
    std::int32_t formatMode = 1;
    bool translating = false;
    bool canUndo = false;
    bool canRedo = false;
    bool linesHeld = false; // Cut Line or Copy Line holds lines to paste
    // Whether a side can be read anew in another character set (not a side read as Unicode).
    bool originalRedecodes = true;
    bool translatedRedecodes = true;

    friend bool operator==(const CommandState&, const CommandState&) = default;
};

// What a command needs before it can run: all of its flags must hold. No flag: always enabled.
enum class When : quint32 {
    Rows = 1u << 0,             // the document has rows
    Selection = 1u << 1,        // a row is selected
    TwoSelected = 1u << 2,      // two rows or more are selected
    Idle = 1u << 3,             // no translation job writes the document
    UndoStep = 1u << 4,         // the history has a step to undo
    RedoStep = 1u << 5,         // ... or to redo
    LinesHeld = 1u << 6,        // there are lines to paste
    ShowTimeEditable = 1u << 7, // one selected row with a Show time
    HideTimeEditable = 1u << 8, // ... in a format that has hide times
    OriginalTimeRestorable = 1u << 9,
    OriginalRedecodes = 1u << 10, // the original side can be read in another character set
    TranslatedRedecodes = 1u << 11,
};
Q_DECLARE_FLAGS(EnabledWhen, When)
Q_DECLARE_OPERATORS_FOR_FLAGS(EnabledWhen)

// Whether a command with this rule can run in this state.
bool isAllowed(EnabledWhen when, const CommandState& state);

struct CommandSpec {
    // Rows of the registry are written one brace list each; the menu text is rare enough to trail.
    CommandSpec(CommandId id, QString label, QString iconName, QList<QKeySequence> shortcuts,
                std::function<void()> run, EnabledWhen enabledWhen = {}, QString menuText = {})
        : id(id), label(std::move(label)), iconName(std::move(iconName)), shortcuts(std::move(shortcuts)),
          run(std::move(run)), enabledWhen(enabledWhen), menuText(std::move(menuText)) {}

    CommandId id;
    QString label;
    // A desktop icon theme name; the ribbon resolves it (with its own drawings as fallback). Empty: no image.
    QString iconName;
    QList<QKeySequence> shortcuts;
    std::function<void()> run;
    EnabledWhen enabledWhen;
    // The text in a menu, with its mnemonic; empty: the label.
    QString menuText;
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
    QString menuText(CommandId id) const;
    QString iconName(CommandId id) const;
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

    std::vector<Row> m_rows;
    CommandState m_state;
};
