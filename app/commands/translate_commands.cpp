// "Translate All" and "Translate Selected": a job on a worker thread, its batches written on the UI
// thread as one undo step, with the progress dialog in front.
#include "app/commands/all_commands.h"
#include "app/commands/command_registry.h"
#include "app/main_frame.h"
#include "app/translation_runner.h"
#include "translate/language_table.h"
#include "translate/translate_request.h"

#include <QComboBox>
#include <memory>

namespace {

// A job is one undo step; its batches are written on the UI thread as they come.
void followJobs(CMainFrame& frame) {
    CMainFrame* f = &frame;
    TranslationRunner* runner = &f->translationRunner();
    QObject::connect(runner, &TranslationRunner::jobStarted, f, [f] {
        f->session().beginGroup(QStringLiteral("Translate"));
        f->setTranslating(true);
    });
    QObject::connect(runner, &TranslationRunner::batchTranslated, f,
                     [f](const QList<int>& rows, const QStringList& pieces) {
                         f->applyChange(f->session().setTranslatedTexts(rows, pieces));
                     });
    QObject::connect(runner, &TranslationRunner::jobFinished, f, [f] {
        f->session().endGroup(true);
        f->setTranslating(false);
        f->rebuildMappingText();
        f->applyChange({});
    });
}

QByteArray languagePair(const CMainFrame& frame) {
    return BuildLanguagePair(frame.translateFromCombo ? frame.translateFromCombo->currentText() : QString(),
                             frame.translateToCombo ? frame.translateToCombo->currentText() : QString());
}

} // namespace

void registerTranslateCommands(CommandRegistry& commands, CMainFrame& frame) {
    CMainFrame* f = &frame;
    followJobs(frame);
    commands.add({CommandId::TranslateAll,
                  "Translate All",
                  "",
                  {},
                  [f] {
                      f->translationRunner().run(requestForAllRows(f->session().rows(), languagePair(*f),
                                                                   f->session().document().formatMode));
                  },
                  When::Rows | When::Idle});
    commands.add({CommandId::TranslateSelected,
                  "Translate Selected",
                  "",
                  {},
                  [f] {
                      f->translationRunner().run(requestForRows(f->session().rows(), f->selectedRows(),
                                                                languagePair(*f),
                                                                f->session().document().formatMode));
                  },
                  When::Rows | When::Selection | When::Idle});
}
