// The translation memory's exchange files: TMX in and out, and the client's glossary in and cleared,
// each file picked through the seam and the core's result told in one message.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/review_controller.h"
#include "memory/glossary.h"
#include "memory/memory_store.h"
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

const QStringList kGlossaryFilters = {QStringLiteral("Term lists (*.csv *.tsv *.txt)"),
                                      QStringLiteral("All files (*)")};

// The review reads the glossary again: underlines, tooltips and findings follow the memory's list.
void reloadGlossary(CommandContext& c, const MemoryStore& store) {
    c.review().setGlossary(store.glossaryTerms());
}

bool canChangeMemory(CommandContext& c, const QString& what) {
    const MemoryStore* store = c.memory();
    if (store && store->writable())
        return true;
    c.dialogs().showMessage(c.dialogParent(),
                            errorMessage(QStringLiteral("The translation memory is open for reading only, "
                                                        "so %1.")
                                             .arg(what)));
    return false;
}

void importGlossary(CommandContext& c) {
    if (!canChangeMemory(c, QStringLiteral("no glossary can be imported into it")))
        return;
    MemoryStore& store = *c.memory();
    const FileChoice choice = c.dialogs().getOpenFileName(c.dialogParent(), kGlossaryFilters);
    if (choice.path.isEmpty())
        return;
    const GlossaryImport result = importGlossaryFile(store, choice.path);
    // An error leaves the glossary as it was; a message beside an import says what it left out.
    if (result.message && result.message->icon == MessageIcon::Error) {
        c.dialogs().showMessage(c.dialogParent(), *result.message);
        return;
    }
    reloadGlossary(c, store);
    c.memoryChanged();
    const QString counts = QStringLiteral("%1 new terms, %2 already in the glossary, %3 in all.")
                               .arg(result.added)
                               .arg(result.known)
                               .arg(c.review().glossaryTerms().size());
    UserMessage said = result.message ? *result.message : information(QString());
    said.caption = QStringLiteral("Glossary");
    said.text = said.text.isEmpty() ? counts : said.text + u'\n' + counts;
    c.dialogs().showMessage(c.dialogParent(), said);
}

void clearGlossary(CommandContext& c) {
    if (!canChangeMemory(c, QStringLiteral("its glossary cannot be cleared")))
        return;
    MemoryStore& store = *c.memory();
    const qsizetype count = store.glossaryTerms().size();
    if (count == 0) {
        c.showStatus(QStringLiteral("The glossary has no terms."));
        return;
    }
    const UserMessage question{QStringLiteral("Remove all %1 terms of the glossary? The translation memory "
                                              "keeps its translations.")
                                   .arg(count),
                               QStringLiteral("Glossary"), MessageIcon::Warning};
    if (!c.dialogs().askYesNo(c.dialogParent(), question))
        return;
    if (const std::optional<UserMessage> problem = store.clearGlossary()) {
        c.dialogs().showMessage(c.dialogParent(), *problem);
        return;
    }
    reloadGlossary(c, store);
    c.memoryChanged();
    c.showStatus(QStringLiteral("%1 glossary terms removed.").arg(count));
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
    // Both check every row again against the new list.
    commands.add({CommandId::ImportGlossary,
                  "Import Glossary...",
                  "velmora-glossary-import",
                  {},
                  [c] { importGlossary(*c); },
                  When::Idle});
    commands.add({CommandId::ClearGlossary,
                  "Clear Glossary",
                  "velmora-glossary-clear",
                  {},
                  [c] { clearGlossary(*c); },
                  When::Idle});
}
