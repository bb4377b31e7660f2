// The translation memory's exchange files: TMX in and out, each file picked through the seam and
// the core's result told in one message.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "memory/tmx.h"
#include "ui/dialog_seam.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QStringList kTmxFilters = {QStringLiteral("TMX files (*.tmx)"), QStringLiteral("All files (*)")};

UserMessage information(const QString& text) {
    return UserMessage{text, QStringLiteral("Translation Memory"), MessageIcon::Information};
}

void importTmxFile(CommandContext& c) {
    MemoryStore* store = c.memory();
    if (!store || !store->writable()) {
        c.dialogs().showMessage(
            c.dialogParent(), errorMessage(QStringLiteral("The translation memory is open for reading only, "
                                                          "so nothing can be imported into it.")));
        return;
    }
    const FileChoice choice = c.dialogs().getOpenFileName(c.dialogParent(), kTmxFilters);
    if (choice.path.isEmpty())
        return;
    const TmxImport result = importTmx(*store, choice.path);
    if (result.message) {
        c.dialogs().showMessage(c.dialogParent(), *result.message);
        return;
    }
    c.memoryChanged();
    c.dialogs().showMessage(
        c.dialogParent(), information(QStringLiteral("%1: %2 units read, %3 added, %4 already in the memory, "
                                                     "%5 skipped.")
                                          .arg(QFileInfo(choice.path).fileName())
                                          .arg(result.read)
                                          .arg(result.added)
                                          .arg(result.known)
                                          .arg(result.skipped)));
}

void exportTmxFile(CommandContext& c) {
    const MemoryStore* store = c.memory();
    if (!store || store->access() == MemoryAccess::Closed) {
        c.dialogs().showMessage(c.dialogParent(),
                                errorMessage(QStringLiteral("The translation memory is not open.")));
        return;
    }
    const QString path = c.dialogs().getSaveFileName(c.dialogParent(), kTmxFilters, QStringLiteral("tmx"),
                                                     QDir::home().filePath(QStringLiteral("memory.tmx")));
    if (path.isEmpty())
        return;
    const TmxExport result = exportTmx(*store, path);
    if (result.message) {
        c.dialogs().showMessage(c.dialogParent(), *result.message);
        return;
    }
    c.showStatus(
        QStringLiteral("%1 units written to %2.").arg(result.units).arg(QDir::toNativeSeparators(path)));
}

} // namespace

void registerMemoryCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    // An import holds the window until it ends, and a running job's batches wait for the window.
    commands.add({CommandId::ImportTmx,
                  "Import TMX...",
                  "document-import",
                  {},
                  [c] { importTmxFile(*c); },
                  When::Idle});
    commands.add(
        {CommandId::ExportTmx, "Export TMX...", "document-save-as", {}, [c] { exportTmxFile(*c); }, {}});
}
