// The Review tab: checking, walking through the problems, the timing fixes, the preset, the CPS
// column and the spelling languages.
#include "app/commands/all_commands.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/review_controller.h"
#include "review/timing_fixes.h"
#include "ui/dialog_seam.h"

#include <QComboBox>
#include <QToolButton>

namespace {

const QString kFollowToLanguage = QStringLiteral("As \"To\"");

void walk(CommandContext& context, bool forward) {
    ReviewController& review = context.review();
    const int from = context.focusedRow();
    const std::optional<Finding> finding = forward ? review.nextProblem(from) : review.previousProblem(from);
    if (finding)
        review.walkTo(*finding);
    else
        review.tell(UserMessage{QStringLiteral("No problems found."), QStringLiteral("Review"),
                                MessageIcon::Information});
}

// A selection of several rows is what the user means; one focused row is only where they stand.
void fixTiming(CommandContext& context, TimingFix fix) {
    const QList<int> selected = context.selectedRows();
    const std::optional<QList<int>> rows = selected.size() > 1 ? std::optional(selected) : std::nullopt;
    const CheckOptions& options = context.review().checker().options();
    context.runEdit(timingFix(fix, context.session(), rows, options.limits, options.frameRate));
}

QComboBox* comboOf(CommandContext& context, CommandId id) {
    return qobject_cast<QComboBox*>(context.ribbonControl(id));
}

void choosePreset(CommandContext& context) {
    QComboBox* box = comboOf(context, CommandId::ReviewPreset);
    if (!box || box->currentIndex() < 0)
        return;
    if (const std::optional<UserMessage> problem =
            context.review().setPreset(PresetId(box->currentData().toInt())))
        context.dialogs().showMessage(context.dialogParent(), *problem);
}

void chooseSpelling(CommandContext& context) {
    QComboBox* box = comboOf(context, CommandId::SpellingLanguage);
    if (!box || box->currentIndex() < 0)
        return;
    const QString code = box->currentData().toString();
    for (const UserMessage& m :
         context.review().setSpellingLanguages(code.isEmpty() ? QStringList() : QStringList{code}))
        context.review().tell(m);
}

void fillCombos(CommandContext& context) {
    ReviewController& review = context.review();
    if (QComboBox* presets = comboOf(context, CommandId::ReviewPreset)) {
        for (const ReviewPreset& p : reviewPresets())
            presets->addItem(QString::fromUtf16(p.name), int(p.id));
        presets->setCurrentIndex(presets->findData(int(review.preset())));
    }
    if (QComboBox* spelling = comboOf(context, CommandId::SpellingLanguage)) {
        spelling->addItem(kFollowToLanguage, QString());
        for (const QString& code : installedDictionaries(review.dictionaryFolders()))
            spelling->addItem(code, code);
        const QStringList chosen = review.chosenSpellingLanguages();
        int index = chosen.isEmpty() ? 0 : spelling->findData(chosen.first());
        if (index < 0) {
            // A choice whose dictionary has gone stays visible as what is chosen.
            spelling->addItem(chosen.first(), chosen.first());
            index = spelling->count() - 1;
        }
        spelling->setCurrentIndex(index);
    }
    if (auto* cps = qobject_cast<QToolButton*>(context.ribbonControl(CommandId::ShowCpsColumn))) {
        cps->setCheckable(true);
        cps->setChecked(review.showsCpsColumn());
        QObject::connect(&review, &ReviewController::cpsColumnShown, cps, &QToolButton::setChecked);
    }
}

} // namespace

void registerReviewCommands(CommandRegistry& commands, CommandContext& context) {
    CommandContext* c = &context;
    const EnabledWhen fixing = When::Rows | When::Idle;
    commands.add({CommandId::CheckAll,
                  "Check All",
                  "tools-check-spelling",
                  {},
                  [c] { c->review().checkAll(); },
                  When::Rows});
    commands.add({CommandId::NextProblem,
                  "Next Problem",
                  "go-down",
                  {QKeySequence(Qt::Key_F8)},
                  [c] { walk(*c, true); },
                  When::Rows});
    commands.add({CommandId::PreviousProblem,
                  "Previous Problem",
                  "go-up",
                  {QKeySequence(Qt::SHIFT | Qt::Key_F8)},
                  [c] { walk(*c, false); },
                  When::Rows});
    commands.add({CommandId::ReviewPreset, "Limits: ", "", {}, [c] { choosePreset(*c); }});
    commands.add({CommandId::FixShortEntries,
                  timingFixLabel(TimingFix::LengthenShort),
                  "format-indent-more",
                  {},
                  [c] { fixTiming(*c, TimingFix::LengthenShort); },
                  fixing});
    commands.add({CommandId::FixOverlaps,
                  timingFixLabel(TimingFix::ShortenOverlaps),
                  "format-indent-less",
                  {},
                  [c] { fixTiming(*c, TimingFix::ShortenOverlaps); },
                  fixing});
    commands.add({CommandId::FixGaps,
                  timingFixLabel(TimingFix::KeepGap),
                  "format-justify-fill",
                  {},
                  [c] { fixTiming(*c, TimingFix::KeepGap); },
                  fixing});
    commands.add({CommandId::ShowCpsColumn, "Show CPS Column", "view-list-details", {}, [c] {
                      c->review().setShowsCpsColumn(!c->review().showsCpsColumn());
                  }});
    commands.add({CommandId::SpellingLanguage, "Spelling: ", "", {}, [c] { chooseSpelling(*c); }});

    c->whenRibbonBuilt([c] { fillCombos(*c); });
}
