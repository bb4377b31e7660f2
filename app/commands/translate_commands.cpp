// "Translate All", "Translate Selected" and "Translate Untranslated": a job on a worker thread, with
// the progress dialog in front; the frame writes its batches as one undo step. The Engine combo and
// "Translation Services" choose and set up the engine the jobs use.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/translation_engine_choice.h"
#include "app/translation_runner.h"
#include "app/translation_services_dialog.h"
#include "subtitle/time_line_rules.h"
#include "translate/translate_request.h"

void registerTranslateCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    commands.add({CommandId::TranslateAll,
                  "Translate All",
                  "",
                  {QKeySequence(Qt::CTRL | Qt::Key_T)},
                  [c] {
                      QList<int> all;
                      for (int row = 0; row < c->session().rowCount(); ++row)
                          all.append(row);
                      c->translationRunner().run(requestForRows(
                          c->session().rows(), rowsForTranslation(c->session().document(), all),
                          c->languagePair(), c->session().document().formatMode));
                  },
                  When::Rows | When::Idle});
    commands.add({CommandId::TranslateSelected,
                  "Translate Selected",
                  "",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)},
                  [c] {
                      c->translationRunner().run(requestForRows(
                          c->session().rows(), rowsForTranslation(c->session().document(), c->selectedRows()),
                          c->languagePair(), c->session().document().formatMode));
                  },
                  When::Rows | When::Selection | When::Idle});
    commands.add({CommandId::TranslateUntranslated,
                  "Translate Untranslated",
                  "",
                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)},
                  [c] {
                      c->translationRunner().run(requestForRows(
                          c->session().rows(),
                          rowsForTranslation(c->session().document(), untranslatedRows(c->session().rows())),
                          c->languagePair(), c->session().document().formatMode));
                  },
                  When::Rows | When::Idle});
    // Read when a job starts; a change of engine waits for the job to end.
    commands.add({CommandId::TranslationEngine, "Engine", "", {}, [] {}, When::Idle});
    commands.add({CommandId::TranslationServices,
                  "Translation Services",
                  "velmora-translation-services",
                  {},
                  [c] {
                      TranslationServicesDialog dialog(c->dialogs(), c->languagePair(), c->dialogParent());
                      auto* choice = c->dialogParent()->findChild<TranslationEngineChoice*>();
                      if (choice)
                          dialog.showEngine(choice->engine());
                      // An address or key changed may change the languages offered.
                      if (c->dialogs().runModal(dialog) == QDialog::Accepted && choice)
                          choice->refresh();
                  },
                  {}});
}
