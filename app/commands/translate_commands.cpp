// "Translate All" and "Translate Selected": a job on a worker thread, its batches written on the UI
// thread as one undo step, with the progress dialog in front.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/main_frame.h"
#include "app/translation_runner.h"
#include "subtitle/time_line_rules.h"
#include "translate/language_table.h"
#include "translate/translate_request.h"

#include <QComboBox>
#include <memory>

namespace {

bool canTranslate(const CommandState& s) {
    return when::hasRows(s) && when::idle(s);
}

std::shared_ptr<TranslationRunner> makeRunner(CMainFrame& frame) {
    CMainFrame* f = &frame;
    TranslationHooks hooks;
    hooks.runModal = [f](QDialog& d) { return f->seam().runModal(d); };
    hooks.showMessage = [f](const UserMessage& m) { f->seam().showMessage(f, m); };
    hooks.jobStarted = [f] {
        f->session().beginGroup(QStringLiteral("Translate"));
        f->setTranslating(true);
    };
    hooks.applyBatch = [f](const QList<int>& rows, const QStringList& pieces) {
        f->applyChange(f->session().setTranslatedTexts(rows, pieces));
    };
    hooks.jobFinished = [f] {
        f->session().endGroup(true);
        f->setTranslating(false);
        f->rebuildMappingText();
        f->applyChange({});
    };
    return std::make_shared<TranslationRunner>(hooks, f);
}

QByteArray languagePair(const CMainFrame& frame) {
    return BuildLanguagePair(frame.translateFromCombo ? frame.translateFromCombo->currentText() : QString(),
                             frame.translateToCombo ? frame.translateToCombo->currentText() : QString());
}

} // namespace

void registerTranslateCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    // Lives as long as the registry, which the frame owns; its worker is joined when it goes.
    std::shared_ptr<TranslationRunner> runner = makeRunner(frame);
    commands.add({CommandId::TranslateAll,
                  "Translate All",
                  "",
                  {},
                  [f, runner] {
                      QList<int> all;
                      for (int row = 0; row < f->session().rowCount(); ++row)
                          all.append(row);
                      runner->run(requestForRows(f->session().rows(),
                                                 rowsForTranslation(f->session().document(), all),
                                                 languagePair(*f), f->session().document().formatMode));
                  },
                  canTranslate});
    commands.add({CommandId::TranslateSelected,
                  "Translate Selected",
                  "",
                  {},
                  [f, runner] {
                      runner->run(requestForRows(
                          f->session().rows(), rowsForTranslation(f->session().document(), f->selectedRows()),
                          languagePair(*f), f->session().document().formatMode));
                  },
                  [](const CommandState& s) { return canTranslate(s) && when::hasSelection(s); }});
}
