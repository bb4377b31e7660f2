// "Translate All" and "Translate Selected": a job on a worker thread, with the progress dialog in
// front; the frame writes its batches as one undo step.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/translation_runner.h"
#include "subtitle/time_line_rules.h"
#include "translate/translate_request.h"

void registerTranslateCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    commands.add({CommandId::TranslateAll,
                  "Translate All",
                  "",
                  {},
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
                  {},
                  [c] {
                      c->translationRunner().run(requestForRows(
                          c->session().rows(), rowsForTranslation(c->session().document(), c->selectedRows()),
                          c->languagePair(), c->session().document().formatMode));
                  },
                  When::Rows | When::Selection | When::Idle});
}
