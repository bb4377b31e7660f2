// The main frame: creation, layout persistence, command routing and the shell's own handlers.
#include "app/main_frame.h"

#include "app/about_dialog.h"
#include "app/checks_page.h"
#include "app/child_view.h"
#include "app/commands/all_commands.h"
#include "app/entry_rows_model.h"
#include "app/focus_areas.h"
#include "app/frame_rate_dialog.h"
#include "app/grid_review.h"
#include "app/mapping_view.h"
#include "app/memory_page.h"
#include "app/report_view.h"
#include "app/review_controller.h"
#include "app/ribbon/ribbon_icons.h"
#include "app/ribbon/velmora_ribbon.h"
#include "app/sentence_form_view.h"
#include "app/translation_engine_choice.h"
#include "app/translation_runner.h"
#include "app/view_voca_lib.h"
#include "app/voca_form_view.h"
#include "charset/charset_table.h"
#include "media/movie_form_view.h"
#include "subtitle/mapping_text.h"
#include "subtitle/save_name.h"
#include "subtitle/subtitle_reader.h"
#include "support/log.h"
#include "support/program_folder.h"
#include "translate/language_table.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <functional>
#include <tuple>
#include <utility>

namespace {
constexpr char kTimingsTab[] = "&Timings";
constexpr char kReady[] = "Ready";
constexpr const char* kIndicatorTexts[3] = {"CAP", "NUM", "SCRL"};

// The Toolbox's content asks for 500 pixels by half the client height, which is the pane's
// size wherever it is docked or floated first.
class PaneTabStrip : public QTabWidget {
public:
    PaneTabStrip(QSize preferred, QWidget* parent) : QTabWidget(parent), m_preferred(preferred) {}
    QSize sizeHint() const override { return m_preferred; }

private:
    QSize m_preferred;
};

QString defaultLayoutFile() {
    return velmoraConfigFolder() + QStringLiteral("/layout.ini");
}

constexpr char kProgramName[] = "velmora";

QString sideName(Side side, const QString& file) {
    if (!file.isEmpty())
        return QFileInfo(file).fileName();
    return side == Side::Original ? QStringLiteral("untitled original")
                                  : QStringLiteral("untitled translation");
}

QString saveQuestion(Side side, const QString& file) {
    const QString what = side == Side::Original ? QStringLiteral("the original subtitle")
                                                : QStringLiteral("the translated subtitle");
    if (file.isEmpty())
        return QStringLiteral("Save the changes to %1?").arg(what);
    return QStringLiteral("Save the changes to %1 \"%2\"?").arg(what, QFileInfo(file).fileName());
}

// Runs a function once, a while after the widget's first paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QWidget* widget, int milliseconds, std::function<void()> run)
        : QObject(widget), m_milliseconds(milliseconds), m_run(std::move(run)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_run) {
            watched->removeEventFilter(this);
            QTimer::singleShot(m_milliseconds, parent(), std::exchange(m_run, {}));
            deleteLater();
        }
        return false;
    }

private:
    int m_milliseconds;
    std::function<void()> m_run;
};

// A dictionary takes a tenth of a second to open and the film's words as long again to check: a
// moment after the window has shown the rows, once what runs at start-up has had its turn.
constexpr int kSpellingStartMilliseconds = 1000;

SaveKind subtitleSaveOf(Side side) {
    return side == Side::Original ? SaveKind::OriginalSubtitle : SaveKind::TranslatedSubtitle;
}
} // namespace

CMainFrame::CMainFrame(FrameOptions options) : m_options(std::move(options)) {
    if (m_options.seam) {
        m_seam = m_options.seam;
    } else {
        m_ownSeam = std::make_unique<DesktopSeam>();
        m_seam = m_ownSeam.get();
    }
    m_layoutFile = m_options.layoutFile.isEmpty() ? defaultLayoutFile() : m_options.layoutFile;
    setWindowTitle(QString::fromLatin1(kProgramName));
    setObjectName(QStringLiteral("mainFrame"));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    m_translation = std::make_unique<TranslationRunner>(*m_seam, this);
    m_translation->setMemoryLookup(
        [this](const QStringList& originals) { return knownTranslations(originals); });
    followTranslationJobs();
    m_review = std::make_unique<ReviewController>(m_session);
    followReview();
    registerAllCommands(m_commands, *this);
    // The panes show the document as it is now: after a load, an edit, an undo or a re-decoding.
    connect(this, &CMainFrame::sessionChanged, this, &CMainFrame::followDocumentInPanes);
    connect(this, &CMainFrame::sessionChanged, this, [this] { ++m_changes; });
    connect(this, &CMainFrame::documentLoaded, this, [this] {
        if (m_ribbon)
            OnRibbonTabChanged(m_ribbon->currentTab());
    });
}

CMainFrame::~CMainFrame() {
    // The grid and a cell editor still open go while the session they write to is here; the edit
    // is given up with the rest.
    if (CReportView* view = grid())
        view->rowsModel()->setCellEditor({});
    delete m_view;
    m_view = nullptr;
    // An orderly end: what was not saved was given up on.
    endRecovery();
    if (m_created)
        qApp->removeEventFilter(this);
}

bool CMainFrame::OnCreate() {
    if (m_created)
        return true;

    // The frame opens maximised; its client height then sizes the Toolbox.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    const int clientHeight = height();

    QString folder = m_options.programFolder;
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    setProgramFolder(folder);
    // Beside the program in a build tree, in the user's folders when installed, or when other
    // users could change what lies beside the program: then the user is told why.
    if (const std::optional<UserMessage> refused = decideWritableFolders())
        m_seam->showMessage(this, *refused);

    deleteTemporaryTranslatedFiles(temporaryFolder());
    m_store.openDictionaryFilesIn(dataFolder());
    // A damaged file or one from a newer velmora opens for reading only and is never wiped; the
    // store's one message says which.
    if (const QString memoryFile = memoryFilePath(); !memoryFile.isEmpty())
        if (const std::optional<UserMessage> said = m_memory.open(memoryFile))
            m_seam->showMessage(this, *said);
    // The client's terms are checked from the first document on.
    if (m_memory.access() != MemoryAccess::Closed)
        m_review->setGlossary(m_memory.glossaryTerms());

    if (!createStatusBar())
        return false;
    log_init(QFile::encodeName(logFolder() + QStringLiteral("dOzororuv.log")).constData());

    m_view = new CChildView(m_session, this);
    setCentralWidget(m_view);
    connect(grid(), &CReportView::gridFocusChanged, this, &CMainFrame::OnGridFocusChanged);
    // An in-place edit is an edit like any other: one undo step, and the views follow.
    grid()->rowsModel()->setCellEditor([this](int row, int column, const QString& text) {
        applyChange(m_session.setTextCell(row, column, text));
    });
    attachGridReview(*grid(), *m_review, [this](const UserMessage& m) { m_seam->showMessage(this, m); });
    // The first frame shows some twenty rows: the review of all of them comes after it.
    new AfterFirstPaint(grid()->viewport(), 0, [this] { m_review->startChecking(); });

    setWindowIcon(programIcon());
    installShortcuts();

    if (!createToolbox(clientHeight))
        return false;
    installAreaKeys(
        this,
        {{[this] { return m_ribbon; }, [this] { return m_ribbon; }},
         {[this] { return m_view->tabStrip()->currentWidget(); },
          [this] { return m_view->tabStrip()->currentWidget(); }},
         {[this] { return m_view->tabStrip()->tabBar(); }, [this] { return m_view->tabStrip()->tabBar(); }},
         {[this] { return m_toolbox; }, [this] { return m_paneTabs->currentWidget(); }}},
        [this] { return m_view->tabStrip(); }, [this] { return m_paneTabs; });
    restoreLayout();
    if (!buildPaneTabStrip())
        return false;
    if (!BuildRibbon())
        return false;

    if (!m_options.recoveryFolder.isEmpty()) {
        m_recovery = std::make_unique<RecoveryFile>(m_options.recoveryFolder);
        m_autosaveTimer = new QTimer(this);
        m_autosaveTimer->setInterval(m_options.autosaveMilliseconds);
        connect(m_autosaveTimer, &QTimer::timeout, this, &CMainFrame::autosave);
        m_autosaveTimer->start();
    }

    // The grid takes the keyboard when the frame is activated.
    grid()->setFocus();
    qApp->installEventFilter(this);
    m_created = true;
    return true;
}

bool CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setMinimumHeight(22);
    bar->setContentsMargins(8, 1, 2, 1);
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kIndicatorTexts[i]), bar);
        label->setObjectName(QString::fromLatin1(kIndicatorTexts[i]));
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        // Greyed until a key event tells that the lock is on.
        label->setEnabled(false);
        bar->addPermanentWidget(label);
        m_indicators[i] = label;
    }
    bar->showMessage(QString::fromLatin1(kReady));
    // The idle text comes back whenever a passing message (a tooltip's, say) is cleared.
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage(QString::fromLatin1(kReady));
    });
    return true;
}

QLabel* CMainFrame::indicator(int index) const {
    return index >= 0 && index < 3 ? m_indicators[index] : nullptr;
}

bool CMainFrame::createToolbox(int clientHeight) {
    m_toolbox = new QDockWidget(QString::fromLatin1(kToolboxCaption), this);
    // The object name keys the dock in the saved layout.
    m_toolbox->setObjectName(QStringLiteral("Toolbox"));
    m_toolbox->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                           QDockWidget::DockWidgetFloatable);
    m_paneTabs = new PaneTabStrip(QSize(kToolboxWidth, clientHeight / 2), m_toolbox);
    m_paneTabs->setObjectName(QStringLiteral("paneTabs"));
    m_paneTabs->setUsesScrollButtons(true);
    m_paneTabs->setElideMode(Qt::ElideRight);
    m_toolbox->setWidget(m_paneTabs);
    addDockWidget(Qt::LeftDockWidgetArea, m_toolbox);
    resizeDocks({m_toolbox}, {kToolboxWidth}, Qt::Horizontal);

    // A closed Toolbox is only hidden; the status bar's menu brings it back.
    statusBar()->setContextMenuPolicy(Qt::ActionsContextMenu);
    statusBar()->addAction(m_toolbox->toggleViewAction());
    return true;
}

bool CMainFrame::buildPaneTabStrip() {
    if (m_paneTabs->count() > 0)
        return true;
    m_sentencePane = new CSentenceFormView(m_paneTabs);
    m_sentencePane->setAppender([this](const DictionaryRecord& r) { return appendRecord(r, kSentences); });
    auto* movie = new CMovieFormView(m_paneTabs);
    movie->setDialogs(m_seam);
    movie->setSubtitleWriter([this]() -> std::optional<QString> {
        SaveResult saved;
        std::optional<QString> path = m_session.writeTemporaryTranslatedSubtitle(
            temporaryFolder(), QDateTime::currentSecsSinceEpoch(), &saved);
        if (saved.message)
            m_seam->showMessage(this, *saved.message);
        return saved.written ? path : std::nullopt;
    });
    m_moviePage = movie;

    // The vocabulary form exists but is never a page: word pairs are not added from the window.
    m_vocaPane = new CVocaFormView(m_paneTabs);
    m_vocaPane->setAppender([this](const DictionaryRecord& r) { return appendRecord(r, kVocabulary); });
    m_vocaPane->hide();

    for (PairFormView* pane :
         {static_cast<PairFormView*>(m_sentencePane), static_cast<PairFormView*>(m_vocaPane)})
        connect(pane, &PairFormView::storeFailed, this, [this] {
            m_seam->showMessage(this, errorMessage(tr("The dictionary could not be written. The folder %1 "
                                                      "must exist and be writable.")
                                                       .arg(QDir::toNativeSeparators(dataFolder()))));
        });

    if (m_paneTabs->addTab(m_sentencePane, QStringLiteral("Dictionary Library")) < 0)
        return false;
    if (m_paneTabs->addTab(m_moviePage, QStringLiteral("Play Movie")) < 0)
        return false;
    m_checksPage = new ChecksPage(*m_review, m_paneTabs);
    connect(m_checksPage, &ChecksPage::findingActivated, this, &CMainFrame::showFinding);
    if (m_paneTabs->addTab(m_checksPage, QStringLiteral("Checks")) < 0)
        return false;

    m_memoryPage = new MemoryPage(this, m_paneTabs);
    m_memoryPage->setStore(&m_memory);
    m_memoryPage->setThreshold(
        readMatchThreshold(QFileInfo(m_layoutFile).absoluteDir().filePath(QStringLiteral("memory.ini"))));
    connect(m_memoryPage, &MemoryPage::matchChosen, this, [this](int row, const QString& typed) {
        if (m_translating || row >= m_session.rowCount())
            return;
        applyChange(m_session.setTextCell(row, kColumnTranslated, typed));
    });
    if (m_paneTabs->addTab(m_memoryPage, QStringLiteral("Memory")) < 0)
        return false;
    return true;
}

bool CMainFrame::BuildRibbon() {
    m_ribbon = buildVelmoraRibbon(this, m_commands);
    if (!m_ribbon)
        return false;
    setMenuWidget(m_ribbon);

    m_translateFromCombo = m_ribbon->combo(quint16(CommandId::TranslateFrom));
    m_originalCharsetCombo = m_ribbon->combo(quint16(CommandId::ChangeOriginalCharset));
    m_translatedCharsetCombo = m_ribbon->combo(quint16(CommandId::ChangeTranslatedCharset));
    m_translateToCombo = m_ribbon->combo(quint16(CommandId::TranslateTo));
    new TranslationEngineChoice(m_ribbon->combo(quint16(CommandId::TranslationEngine)), m_translateFromCombo,
                                m_translateToCombo, this);
    m_showTimeEdit = m_ribbon->timeEdit(quint16(CommandId::ShowTime));
    m_hideTimeEdit = m_ribbon->timeEdit(quint16(CommandId::HideTime));
    m_restoreTimeButton = m_ribbon->button(quint16(CommandId::RestoreOriginalTime));
    // The code pages the two charset combos start from; the original follows the system.
    m_session.setStartCodePage(Side::Original, 0);
    m_session.setStartCodePage(Side::Translated, 1252);

    // Another language pair asks the memory for other units.
    for (QComboBox* combo : {m_translateFromCombo, m_translateToCombo})
        if (combo && m_memoryPage)
            connect(combo, &QComboBox::currentIndexChanged, this, [this] {
                const int row = focusedRow();
                m_memoryPage->showMatches(
                    row,
                    row >= 0 && row < m_session.rowCount() ? m_session.rows().at(row).original : QString(),
                    memoryLanguages());
            });
    connect(m_ribbon, &RibbonBar::commandTriggered, this,
            [this](quint16 id) { dispatchCommand(CommandId(id)); });
    connect(m_ribbon, &RibbonBar::currentTabChanged, this, &CMainFrame::OnRibbonTabChanged);
    refreshCommandStates();
    emit ribbonBuilt();
    return true;
}

void CMainFrame::installShortcuts() {
    for (CommandId id : m_commands.ids()) {
        const CommandSpec* command = m_commands.find(id);
        if (command->shortcuts.isEmpty())
            continue;
        auto* action = new QAction(command->label, this);
        action->setShortcuts(command->shortcuts);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(m_commands.isEnabled(id));
        connect(action, &QAction::triggered, this, [this, id] { dispatchCommand(id); });
        connect(&m_commands, &CommandRegistry::enabledChanged, action,
                [action, id](CommandId changed, bool on) {
                    if (changed == id)
                        action->setEnabled(on);
                });
        addAction(action);
    }
}

// ---------------------------------------------------------------- layout

void CMainFrame::restoreLayout() {
    if (!QFileInfo::exists(m_layoutFile))
        return;
    QSettings settings(m_layoutFile, QSettings::IniFormat);
    const QByteArray state = settings.value(QLatin1String(kLayoutKey)).toByteArray();
    // A layout that cannot be read leaves the Toolbox as created.
    if (!state.isEmpty())
        restoreState(state);
}

void CMainFrame::saveLayout() {
    QDir().mkpath(QFileInfo(m_layoutFile).absolutePath());
    QSettings settings(m_layoutFile, QSettings::IniFormat);
    settings.setValue(QLatin1String(kLayoutKey), saveState());
    settings.sync();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!maySetAsideDocument()) {
        event->ignore();
        return;
    }
    saveLayout();
    endRecovery();
    event->accept();
}

bool CMainFrame::isModified(Side side) const {
    const SideMask unsaved = m_session.unsavedChanges(side);
    return m_sideFiles[int(side)].isEmpty() ? (unsaved & sideBit(side)) != 0 : unsaved != 0;
}

bool CMainFrame::maySetAside(SideMask lost) {
    // What is still in a cell's editor is work like any other.
    if (CReportView* view = grid())
        view->commitOpenEditor();
    for (Side side : {Side::Original, Side::Translated}) {
        if (!isModified(side) || !(m_session.unsavedChanges(side) & lost))
            continue;
        // A side whose save would write nothing (every row deleted) has nothing to keep.
        const SaveKind kind = subtitleSaveOf(side);
        if (!hasSomethingToSave(m_session.document(), kind))
            continue;
        switch (m_seam->askToSave(this, saveQuestion(side, m_sideFiles[int(side)]))) {
        case SaveChoice::Discard:
            continue;
        case SaveChoice::Cancel:
            return false;
        case SaveChoice::Save:
            if (!saveDocument(kind))
                return false;
            break;
        }
    }
    return true;
}

void CMainFrame::updateTitle() {
    // The program's name comes last, once: the desktop adds it only to a title that lacks it.
    QStringList parts;
    for (Side side : {Side::Original, Side::Translated}) {
        const QString& file = m_sideFiles[int(side)];
        const bool modified = isModified(side);
        if (file.isEmpty() && !modified)
            continue;
        parts.append(sideName(side, file) + (modified ? QStringLiteral(" \u2022") : QString()));
    }
    const QString program = QString::fromLatin1(kProgramName);
    setWindowTitle(
        parts.isEmpty() ? program : parts.join(QStringLiteral(" + ")) + QStringLiteral(" \u2014 ") + program);
}

void CMainFrame::noteLoaded(Side side, const QString& path) {
    // The other side stays as it was: its texts are still in the document, saved or not.
    m_sideFiles[int(side)] = QFileInfo(path).absoluteFilePath();
    m_session.setClean(side);
    updateTitle();
}

// ---------------------------------------------------------------- recovery

RecoveryState CMainFrame::recoveryState() const {
    RecoveryState state;
    state.document = m_session.document();
    state.rows = m_session.rows().all();
    state.originalUnsaved = m_session.unsavedChanges(Side::Original);
    state.translatedUnsaved = m_session.unsavedChanges(Side::Translated);
    state.originalFile = m_sideFiles[int(Side::Original)];
    state.translatedFile = m_sideFiles[int(Side::Translated)];
    state.savedAtMs = QDateTime::currentMSecsSinceEpoch();
    return state;
}

void CMainFrame::autosave() {
    if (!m_recovery)
        return;
    if (!isModified()) {
        if (m_recovery->exists())
            m_recovery->remove();
        return;
    }
    if (m_autosavedChanges == m_changes && m_recovery->exists())
        return;
    QString error;
    if (m_recovery->write(recoveryState(), &error))
        m_autosavedChanges = m_changes;
    else
        showStatus(tr("The unsaved work could not be kept for recovery: %1").arg(error), 15000);
}

void CMainFrame::endRecovery() {
    if (m_recovery)
        m_recovery->remove();
}

bool CMainFrame::offerRecovery() {
    if (!m_recovery)
        return false;
    std::vector<OrphanRecovery> orphans = claimOrphanRecoveries(m_options.recoveryFolder);
    for (OrphanRecovery& orphan : orphans) {
        const RecoveryRead read = orphan.read();
        if (!read.state) {
            const QString path = QDir::toNativeSeparators(orphan.path());
            const QString kept = QDir::toNativeSeparators(orphan.setAside());
            m_seam->showMessage(this,
                                UserMessage{tr("The unsaved work kept in \"%1\" cannot be restored: %2.\n"
                                               "The file is kept as \"%3\".")
                                                .arg(path, read.problem, kept),
                                            QString::fromLatin1(kProgramName), MessageIcon::Warning});
            continue;
        }
        const RecoveryState& state = *read.state;
        QStringList names;
        for (const QString& file : {state.originalFile, state.translatedFile})
            if (!file.isEmpty())
                names.append(QFileInfo(file).fileName());
        const QString files = names.isEmpty() ? tr("an untitled document") : names.join(tr(" and "));
        const QString when = QDateTime::fromMSecsSinceEpoch(state.savedAtMs)
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        const UserMessage question{tr("Restore the unsaved work of %1 from %2?").arg(files, when),
                                   QString::fromLatin1(kProgramName), MessageIcon::Information};
        if (!m_seam->askYesNo(this, question)) {
            orphan.discard();
            continue;
        }
        restoreWork(state);
        // Kept as this run's own before the old file goes; should that fail, the old file stays.
        autosave();
        if (m_recovery->exists())
            orphan.discard();
        return true;
    }
    return false;
}

void CMainFrame::restoreWork(const RecoveryState& state) {
    EntryRowsModel* model = grid()->rowsModel();
    model->beginBulkChange();
    m_session.restore(state.document, state.rows, state.originalUnsaved, state.translatedUnsaved);
    model->endBulkChange();
    m_sideFiles[int(Side::Original)] = state.originalFile;
    m_sideFiles[int(Side::Translated)] = state.translatedFile;
    syncCharsetCombos();
    rebuildMappingText();
    refreshCommandStates();
    updateTitle();
    emit sessionChanged();
    emit documentLoaded();
}

// ---------------------------------------------------------------- routing

void CMainFrame::dispatchCommand(CommandId id) {
    if (m_view && m_view->OnCmdMsg(id))
        return;
    // A command sent at once after a click must see the selection the click made.
    refreshCommandStates();
    m_commands.dispatch(id);
}

void CMainFrame::refreshCommandStates() {
    CommandState state;
    state.rowCount = m_session.rowCount();
    state.formatMode = m_session.document().formatMode;
    state.translating = m_translating;
    state.canUndo = m_session.canUndo();
    state.canRedo = m_session.canRedo();
    state.linesHeld = !lineClipboard.isEmpty();
    state.originalRedecodes = canRedecode(Side::Original);
    state.translatedRedecodes = canRedecode(Side::Translated);
    if (CReportView* view = grid()) {
        state.selectedRows = view->selectedRowCount();
        const int row = view->focusedRow();
        state.hasFocusedRow = row >= 0 && row < m_session.rowCount();
        if (state.hasFocusedRow)
            state.focusedShow = m_session.rows().at(row).show;
    }
    m_commands.update(state);
    // The quick-access strip names the step it would take back or do again ("Undo Replace All"),
    // and its keys as every other tooltip does.
    if (m_ribbon) {
        for (const auto& [id, step] : {std::pair{CommandId::Undo, m_session.undoLabel()},
                                       std::pair{CommandId::Redo, m_session.redoLabel()}}) {
            if (QToolButton* b = m_ribbon->button(quint16(id)))
                b->setToolTip(tooltipWithKeys(m_commands, id,
                                              step.isEmpty() ? m_commands.label(id)
                                                             : m_commands.label(id) + u' ' + step));
        }
    }
}

void CMainFrame::setTranslating(bool translating) {
    // A job can take long and write many rows: what is unsaved is kept before it starts.
    if (translating && !m_translating)
        autosave();
    m_translating = translating;
    refreshCommandStates();
}

void CMainFrame::followTranslationJobs() {
    connect(m_translation.get(), &TranslationRunner::rowsNeedReview, this, [this](const QList<int>& rows) {
        if (CReportView* g = grid())
            g->rowsModel()->markForReview(rows);
    });
    connect(m_translation.get(), &TranslationRunner::jobStarted, this, [this] {
        if (CReportView* g = grid())
            g->rowsModel()->clearReviewMarks();
        m_session.beginGroup(QStringLiteral("Translate"));
        setTranslating(true);
    });
    connect(m_translation.get(), &TranslationRunner::batchTranslated, this,
            [this](const QList<int>& rows, const QStringList& pieces) {
                applyChange(m_session.setTranslatedTexts(rows, pieces));
                // What the engine (or the memory) wrote, as the rows hold it, so that a save can
                // tell it from the translator's own lines.
                const QString engine = m_translation->job().serviceName();
                for (const int row : rows)
                    if (row >= 0 && row < m_session.rowCount()) {
                        const EntryRow& written = m_session.rows().at(row);
                        m_machineTexts.insert(written.original, {written.translated, engine});
                    }
            });
    connect(m_translation.get(), &TranslationRunner::jobFinished, this, [this] {
        m_session.endGroup(true);
        setTranslating(false);
        rebuildMappingText();
        applyChange({});
        if (const int fromMemory = m_translation->linesFromMemory(); fromMemory > 0) {
            QString said = QStringLiteral("%1 %2 from memory")
                               .arg(fromMemory)
                               .arg(fromMemory == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
            if (const int translated = m_translation->linesTranslated(); translated > 0)
                said += QStringLiteral(", %1 translated").arg(translated);
            showStatus(said, 15000);
        }
    });
}

QByteArray CMainFrame::languagePair() const {
    return BuildLanguagePair(m_translateFromCombo ? m_translateFromCombo->currentText() : QString(),
                             m_translateToCombo ? m_translateToCombo->currentText() : QString());
}

QWidget* CMainFrame::ribbonControl(CommandId id) const {
    return m_ribbon ? m_ribbon->control(quint16(id)) : nullptr;
}

void CMainFrame::followReview() {
    connect(this, &CMainFrame::documentLoaded, m_review.get(), [this] {
        m_review->checkAllLater();
        // A window not shown paints no first frame to wait for.
        if (!grid() || !grid()->isVisible())
            m_review->startChecking();
    });
    connect(m_review.get(), &ReviewController::walkedTo, this, &CMainFrame::showFinding);
    connect(m_review.get(), &ReviewController::notice, this,
            [this](const UserMessage& m) { showStatus(m.text, 15000); });
    // Spelling follows the "To" language unless the user chose the languages.
    whenRibbonBuilt([this] {
        if (!m_translateToCombo)
            return;
        const auto follow = [this](const QString& name) {
            for (const UserMessage& m : m_review->setToLanguage(QString::fromLatin1(languageCode(name))))
                showStatus(m.text, 15000);
        };
        connect(m_translateToCombo, &QComboBox::currentTextChanged, this, follow);
        if (grid())
            new AfterFirstPaint(grid()->viewport(), kSpellingStartMilliseconds, [this, follow] {
                if (m_review->speller().languages().isEmpty())
                    follow(m_translateToCombo->currentText());
            });
    });
}

void CMainFrame::showFinding(const Finding& finding) {
    CReportView* view = grid();
    if (!view || finding.row < 0 || finding.row >= m_session.rowCount())
        return;
    focusRow(finding.row);
    showStatus(QStringLiteral("Row %1: %2").arg(finding.row + 1).arg(finding.message));
    // A word or a number is shown selected in the cell editor; a finding about a whole text or the
    // times only leads to the row.
    const int column = findingColumn(finding.side);
    if (finding.side == FindingSide::Times || finding.length <= 0 || view->isColumnHidden(column))
        return;
    const QString text = m_session.rows().cellText(finding.row, column);
    if (finding.start + finding.length > text.size() || finding.length == text.size())
        return;
    const QModelIndex cell = view->model()->index(finding.row, column);
    view->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    view->edit(cell);
    if (auto* editor = view->viewport()->findChild<QPlainTextEdit*>(QStringLiteral("cellEditor"))) {
        QTextCursor cursor = editor->textCursor();
        cursor.setPosition(finding.start);
        cursor.setPosition(finding.start + finding.length, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
    }
}

void CMainFrame::whenRibbonBuilt(std::function<void()> connectControls) {
    if (m_ribbon)
        connectControls();
    else
        connect(this, &CMainFrame::ribbonBuilt, this, std::move(connectControls));
}

// ---------------------------------------------------------------- changes

SessionChange CMainFrame::runEdit(const SessionEdit& edit) {
    // A running job's batches are the only edits until it ends: the commands that edit wait for it
    // (their rules), and so do the time boxes and the find dialog, which edit without a command.
    if (m_translating)
        return {};
    const SessionChange change = m_session.apply(edit);
    applyChange(change);
    return change;
}

void CMainFrame::applyChange(const SessionChange& change) {
    CReportView* view = grid();
    if (view) {
        view->rowsModel()->apply(change);
        if (change.selection)
            view->selectRows(*change.selection, change.focus);
    }
    // After the grid's model: the marks it asks for then are the rows' as they are now.
    m_review->follow(change);
    if (change.rebuildsMapping)
        rebuildMappingText();
    if (change.codePagesChanged)
        syncCharsetCombos();
    // The boxes show the focused row's times; an edit of them must show at once, but a box being
    // typed into already holds its text and keeps its caret.
    if (view && (change.columns & kTimeColumns)) {
        const int row = view->focusedRow();
        if (row >= 0 && row < m_session.rowCount())
            fillTimingBoxes(row);
    }
    refreshCommandStates();
    updateTitle();
    emit sessionChanged();
}

void CMainFrame::undo() {
    applyChange(m_session.undo());
}

void CMainFrame::redo() {
    applyChange(m_session.redo());
}

void CMainFrame::fillTimingBoxes(int row) {
    const EntryRow& entry = m_session.rows().at(row);
    if (m_showTimeEdit && m_showTimeEdit->text() != entry.show)
        m_showTimeEdit->setText(entry.show);
    if (m_hideTimeEdit && m_hideTimeEdit->text() != entry.hide)
        m_hideTimeEdit->setText(entry.hide);
}

void CMainFrame::syncCharsetCombos(std::optional<Side> loaded, const EncodingGuess& readAs) {
    const SubtitleDocument& document = m_session.document();
    for (auto [side, combo, codePage, command] :
         {std::tuple{Side::Original, m_originalCharsetCombo, document.originalCodePage,
                     CommandId::ChangeOriginalCharset},
          std::tuple{Side::Translated, m_translatedCharsetCombo, document.translatedCodePage,
                     CommandId::ChangeTranslatedCharset}}) {
        CharsetBoxFollower& box = m_charsetBoxes[int(side)];
        const std::optional<CharsetBoxView> view =
            loaded == side ? std::optional(box.loaded(codePage, readAs)) : box.follow(codePage);
        if (!view || !combo)
            continue;
        // Entries beyond the table's are the Unicode forms only a load shows.
        while (combo->count() > qsizetype(charsetTable().size()))
            combo->removeItem(combo->count() - 1);
        int index = combo->findText(view->name, Qt::MatchExactly);
        if (index < 0 && !view->name.isEmpty()) {
            combo->addItem(view->name);
            index = combo->count() - 1;
        }
        if (index >= 0)
            combo->setCurrentIndex(index);
        combo->setToolTip(view->redecodes ? m_commands.label(command) : view->whyNot);
    }
}

bool CMainFrame::canRedecode(Side side) const {
    return m_charsetBoxes[int(side)].redecodes();
}

QList<int> CMainFrame::selectedRows() const {
    return grid() ? grid()->selectedRowIndexes() : QList<int>();
}

int CMainFrame::focusedRow() const {
    return grid() ? grid()->focusedRow() : -1;
}

void CMainFrame::focusRow(int row) {
    if (CReportView* view = grid())
        view->selectRows({row}, row);
}

void CMainFrame::showStatus(const QString& text, int milliseconds) {
    statusBar()->showMessage(text, milliseconds);
}

CReportView* CMainFrame::grid() const {
    return m_view ? m_view->grid() : nullptr;
}

void CMainFrame::OnRibbonTabChanged(int tab) {
    if (!m_ribbon || tab < 0 || tab >= m_ribbon->tabCount())
        return;
    CReportView* view = grid();
    const std::int32_t format = m_session.document().formatMode;
    if (m_ribbon->tabCaption(tab) == QLatin1String(kTimingsTab)) {
        view->setColumnHidden(kColumnShow, false);
        // SAMI has no hide times; a load of another format while the tab is open shows them again.
        view->setColumnHidden(kColumnHide, !formatInfo(format).hasHideTime);
        if (const std::optional<QString> mask = m_maskLatch.take(format)) {
            if (m_showTimeEdit)
                m_showTimeEdit->setInputMask(*mask);
            if (m_hideTimeEdit)
                m_hideTimeEdit->setInputMask(*mask);
        }
        const int row = view->focusedRow();
        if (row >= 0 && row < m_session.rowCount())
            fillTimingBoxes(row);
    } else {
        view->setColumnHidden(kColumnShow, true);
        view->setColumnHidden(kColumnHide, true);
    }
}

void CMainFrame::OnGridFocusChanged(bool focusMoved) {
    // The Show and Hide boxes and "Restore Original Time" follow the registry's rules like every
    // other control.
    refreshCommandStates();
    const int row = grid()->focusedRow();
    const bool hasRecord = row >= 0 && row < m_session.rowCount();
    if (!hasRecord || !focusMoved)
        return;
    const EntryRow& entry = m_session.rows().at(row);
    if (m_memoryPage)
        m_memoryPage->showMatches(row, entry.original, memoryLanguages());
    if (m_sentencePane)
        m_sentencePane->setTexts(entry.original, entry.translated);
    if (m_showTimeEdit)
        m_showTimeEdit->setText(entry.show);
    if (m_hideTimeEdit)
        m_hideTimeEdit->setText(entry.hide);
}

void CMainFrame::followDocumentInPanes() {
    // "Add to Dictionary" must never store a pair of a document that is gone or of texts since
    // changed: the pane takes the focused row's texts as they are now, or nothing.
    if (!m_sentencePane || !grid())
        return;
    const int row = grid()->focusedRow();
    if (row >= 0 && row < m_session.rowCount()) {
        const EntryRow& entry = m_session.rows().at(row);
        m_sentencePane->setTexts(entry.original, entry.translated);
    } else {
        m_sentencePane->setTexts(QString(), QString());
    }
}

void CMainFrame::toggleToolbox() {
    if (m_toolbox)
        m_toolbox->setVisible(!m_toolbox->isVisible());
}

void CMainFrame::rebuildMappingText() {
    m_view->mappingView()->setRunsSource([this] { return buildMappingRuns(m_session.rows()); });
}

// ---------------------------------------------------------------- loading

void CMainFrame::OnLoadOriginal() {
    loadSubtitle(Side::Original);
}

void CMainFrame::OnLoadTranslated() {
    loadSubtitle(Side::Translated);
}

void CMainFrame::loadSubtitle(Side side) {
    // An original load replaces the times, which both sides' saves write; a translated load only
    // the translation.
    if (!maySetAside(side == Side::Original ? savedBy(Side::Original) : sideBit(Side::Translated)))
        return;
    const QStringList filters = qtNameFilters(kLoadFilter);
    const FileChoice choice = m_seam->getOpenFileName(this, filters);
    if (choice.path.isEmpty())
        return;
    // One read through a checked handle: the format is told from the very bytes that are loaded,
    // and a file that cannot be loaded changes nothing, the format setting included.
    const SubtitleFileBytes file = readSubtitleFile(choice.path);
    if (file.refusal) {
        m_seam->showMessage(this, *file.refusal);
        return;
    }
    // The filter picked says the format, whatever the file's extension; should the dialog not
    // tell which one was picked, the file's name and content decide.
    std::int32_t format = choice.filterIndex + 1;
    if (!isValidFormat(format)) {
        format = guessSubtitleFormat(choice.path, file.bytes);
    } else if (const std::optional<SubtitleFormat> looks = subtitleFormatFromBytes(file.bytes)) {
        // The two SubViewer forms differ only in "[br]", which a file may simply not need.
        const auto family = [](std::int32_t f) { return f == kSubViewer2 ? kSubViewer : f; };
        if (family(*looks) != family(format) &&
            m_seam->askYesNo(this, formatMismatchQuestion(format, *looks)))
            format = *looks;
    }
    const std::int32_t documentFormat = documentFormatAfterLoad(
        m_session.document().formatMode, format, side, !m_session.document().originalTexts.isEmpty());
    readSubtitle(choice.path, file.bytes, SubtitleFormat(format), side, SubtitleFormat(documentFormat));
}

bool CMainFrame::readSubtitle(const QString& path, const QByteArray& bytes, SubtitleFormat format, Side side,
                              SubtitleFormat documentFormat) {
    const LoadedSide loaded = loadSide(path, bytes, format, side, documentFormat);
    followLoads(loaded);
    return loaded.changed;
}

CMainFrame::LoadedSide CMainFrame::loadSide(const QString& path, const QByteArray& bytes,
                                            SubtitleFormat format, Side side, SubtitleFormat documentFormat) {
    // A load rebuilds the rows: one reset instead of a signal per row.
    EntryRowsModel* model = grid()->rowsModel();
    model->beginBulkChange();
    const ReadResult result = loadSubtitleBytes(m_session, bytes, format, side);
    if (result.changed)
        m_session.setFormatMode(documentFormat);
    model->endBulkChange();
    if (result.changed) {
        // The side's combo shows the character set the bytes were read in.
        syncCharsetCombos(side, result.encoding);
        // What the load could not read comes first: it asks the user to look at those entries.
        QStringList status{result.status, encodingStatus(side, result.encoding)};
        status.removeAll(QString());
        if (!status.isEmpty())
            showStatus(status.join(QStringLiteral("  ")), 15000);
    }
    if (result.message)
        m_seam->showMessage(this, *result.message);
    if (result.changed)
        noteLoaded(side, path);
    return {result.changed, result.completed};
}

void CMainFrame::followLoads(LoadedSide loaded) {
    if (loaded.completed)
        rebuildMappingText();
    refreshCommandStates();
    if (loaded.changed) {
        emit sessionChanged();
        emit documentLoaded();
    }
}

void CMainFrame::loadFromCommandLine(const QStringList& files) {
    if (files.isEmpty())
        return;
    const QString original = QFileInfo(files[0]).absoluteFilePath();
    const QString translated = files.size() > 1 ? QFileInfo(files[1]).absoluteFilePath() : QString();
    // Both files are read (and checked) before either is loaded: a refusal leaves the document alone.
    QList<SubtitleFileBytes> read;
    for (const QString& path : {original, translated}) {
        if (path.isEmpty())
            continue;
        read.append(readSubtitleFile(path));
        if (read.last().refusal) {
            m_seam->showMessage(this, *read.last().refusal);
            return;
        }
    }
    // The original's format is the document's: its time lines are the ones that are saved.
    const SubtitleFormat format = guessSubtitleFormat(original, read[0].bytes);
    // The mapping, the panes and the review follow once, after both files: a second round for the
    // translation would check every row again a moment after the first.
    LoadedSide loaded = loadSide(original, read[0].bytes, format, Side::Original, format);
    if (loaded.changed && !translated.isEmpty()) {
        const LoadedSide second =
            loadSide(translated, read[1].bytes, guessSubtitleFormat(translated, read[1].bytes),
                     Side::Translated, format);
        loaded.completed = loaded.completed || second.completed;
    }
    followLoads(loaded);
}

// ---------------------------------------------------------------- saving

bool CMainFrame::saveDocument(SaveKind kind) {
    if (CReportView* view = grid())
        view->commitOpenEditor();
    const SubtitleDocument& document = m_session.document();
    if (!hasSomethingToSave(document, kind))
        return false;
    const SaveDialogSpec dialog = saveDialogSpec(kind, document.formatMode);
    const QString path = m_seam->getSaveFileName(this, qtNameFilters(dialog.filter), dialog.defaultExtension,
                                                 suggestedPath(kind, dialog.defaultExtension));
    if (path.isEmpty())
        return false;
    const SaveResult result = m_session.save(kind, path);
    if (result.message)
        m_seam->showMessage(this, *result.message);
    if (result.written)
        noteSaved(kind, path);
    return result.written;
}

QString CMainFrame::suggestedPath(SaveKind kind, QStringView extension) const {
    const QString target = m_translateToCombo ? m_translateToCombo->currentText() : QString();
    return suggestedSaveName(kind, sideFile(Side::Original), sideFile(Side::Translated),
                             QString::fromLatin1(languageCode(target)), extension);
}

void CMainFrame::noteSaved(SaveKind kind, const QString& path) {
    // A side's subtitle written is what that side's work is kept as; a mix file or a text export
    // cannot be read back as either side, so it keeps nothing.
    if (kind != SaveKind::OriginalSubtitle && kind != SaveKind::TranslatedSubtitle)
        return;
    const Side side = kind == SaveKind::OriginalSubtitle ? Side::Original : Side::Translated;
    m_session.setClean(side);
    m_sideFiles[int(side)] = QFileInfo(path).absoluteFilePath();
    if (side == Side::Translated)
        rememberTranslations(path);
    ++m_changes;
    updateTitle();
    refreshCommandStates();
    autosave();
}

LanguagePair CMainFrame::memoryLanguages() const {
    return {QString::fromLatin1(
                languageCode(m_translateFromCombo ? m_translateFromCombo->currentText() : QString())),
            QString::fromLatin1(
                languageCode(m_translateToCombo ? m_translateToCombo->currentText() : QString()))};
}

QList<std::pair<int, QString>> CMainFrame::knownTranslations(const QStringList& originals) {
    QList<std::pair<int, QString>> known;
    const LanguagePair languages = memoryLanguages();
    if (m_memory.access() == MemoryAccess::Closed || !isStorableLanguage(languages.source) ||
        !isStorableLanguage(languages.target))
        return known;
    rememberDictionary();
    const MemoryResult<QList<MemoryFill>> fills = m_memory.exactMatches(originals, languages);
    // The engine translates what the memory could not give; the user hears why it gave nothing.
    if (fills.message)
        showStatus(QStringLiteral("The translation memory: %1").arg(fills.message->text), 15000);
    for (const MemoryFill& fill : fills.value)
        known.append({fill.position, fill.target});
    return known;
}

void CMainFrame::rememberTranslations(const QString& path) {
    if (!m_memory.writable())
        return;
    const LanguagePair languages = memoryLanguages();
    // A detected source language names no pair a later lookup could ask for.
    if (!isStorableLanguage(languages.source) || !isStorableLanguage(languages.target))
        return;
    rememberDictionary();
    QList<MemoryRow> rows;
    // A line counts as the engine's while it stands as the engine wrote it; one typed, corrected
    // or loaded from a translation file is the translator's own and wins over engine text.
    for (const EntryRow& row : m_session.rows().all()) {
        const auto machine = m_machineTexts.constFind(row.original);
        if (machine != m_machineTexts.cend() && machine->translated == row.translated)
            rows.append({row.original, row.translated, false, machine->engine});
        else
            rows.append({row.original, row.translated, true, QString()});
    }
    const MemoryWrite written = m_memory.addRows(rows, languages, QFileInfo(path).fileName());
    // The save itself succeeded: a memory that could not take the rows is a word, not a failure.
    if (written.message)
        showStatus(written.message->text, 15000);
    else if (m_memoryPage)
        m_memoryPage->refresh();
}

void CMainFrame::rememberDictionary() {
    const LanguagePair languages = memoryLanguages();
    if (!m_memory.writable() || !m_store.isOpen() || !isStorableLanguage(languages.source) ||
        !isStorableLanguage(languages.target))
        return;
    // The dictionary keeps no languages: its sentences are taken to be in the pair the user works
    // in when they first meet the memory. The count kept with them makes each go in once.
    const std::vector<DictionaryRecord> records = m_store.readRecords(kSentences);
    if (m_memory.importedCount(QLatin1String(kSentenceFileName)) == int(records.size()))
        return;
    const MemoryWrite written =
        m_memory.importDictionary(QLatin1String(kSentenceFileName), records, languages);
    if (written.message)
        showStatus(written.message->text, 15000);
    else if (written.added > 0 && m_memoryPage)
        m_memoryPage->refresh();
}

void CMainFrame::memoryChanged() {
    if (m_memoryPage)
        m_memoryPage->refresh();
}

bool CMainFrame::saveDocumentAs(SaveKind kind) {
    if (CReportView* view = grid())
        view->commitOpenEditor();
    const SubtitleDocument& document = m_session.document();
    if (!hasSomethingToSave(document, kind))
        return false;
    const std::int32_t current = formatInfo(document.formatMode).id;
    QStringList suffixes;
    QStringList suggestions;
    for (const SubtitleFormatInfo& format : formatTable()) {
        suffixes << format.extension.toString();
        suggestions << suggestedPath(kind, format.extension);
    }
    const FileChoice choice = m_seam->getSaveFileChoice(this, qtNameFilters(loadDialogFilter()),
                                                        current - kFirstFormat, suffixes, suggestions);
    if (choice.path.isEmpty())
        return false;
    const std::int32_t target =
        isValidFormat(choice.filterIndex + kFirstFormat) ? choice.filterIndex + kFirstFormat : current;
    FrameRate rate;
    if (conversionNeedsFrameRate(current, target)) {
        FrameRateDialog ask(documentFrameRate(document), this);
        if (m_seam->runModal(ask) != QDialog::Accepted)
            return false;
        rate = ask.rate();
    }
    const SaveAsResult result = m_session.saveAs(kind, target, rate, choice.path);
    if (result.save.message)
        m_seam->showMessage(this, *result.save.message);
    if (!result.status.isEmpty())
        showStatus(result.status, 15000);
    // Work saved in its own format is kept; a conversion is a copy that may hold less.
    if (result.save.written && target == current)
        noteSaved(kind, choice.path);
    // A copy in another format still holds translations the user stands by.
    else if (result.save.written && kind == SaveKind::TranslatedSubtitle)
        rememberTranslations(choice.path);
    return result.save.written;
}

// ---------------------------------------------------------------- character sets

void CMainFrame::changeCharset(Side side) {
    QComboBox* combo = side == Side::Original ? m_originalCharsetCombo : m_translatedCharsetCombo;
    const SubtitleDocument& document = m_session.document();
    std::uint32_t codePage = side == Side::Original ? document.originalCodePage : document.translatedCodePage;
    // A name without a known key keeps the side's code page.
    if (combo)
        if (const std::optional<std::uint32_t> page = lookupCharsetKey(combo->currentText()))
            codePage = *page;
    m_charsetBoxes[int(side)].picking(side == Side::Original ? document.originalCodePage
                                                             : document.translatedCodePage);
    RedecodeResult result;
    applyChange(m_session.redecodeSide(side, codePage, &result));
    if (result.rowsKept > 0)
        showStatus(tr("%n row(s) could not be read in this character set and kept their text.", nullptr,
                      result.rowsKept));
    else if (result.rowsWithoutBytes > 0)
        showStatus(tr("%n row(s) were read as Unicode or changed since the load and keep their text.",
                      nullptr, result.rowsWithoutBytes));
}

void CMainFrame::OnChangeOriginalCharset() {
    changeCharset(Side::Original);
}

void CMainFrame::OnChangeTranslatedCharset() {
    changeCharset(Side::Translated);
}

// ---------------------------------------------------------------- small handlers

void CMainFrame::startProgram(const QString& name, const QStringList& arguments) {
    // Nothing else would tell the user why no window appeared.
    const QString path = programFolder() + name;
    if (!QFileInfo(path).isFile())
        m_seam->showMessage(this, programMissing(name, path));
    else if (!m_seam->startDetached(path, arguments))
        m_seam->showMessage(this, programNotStarted(name, path));
}

void CMainFrame::OnHelpTopics() {
    const QString guide = userGuidePath(programFolder());
    if (!QFileInfo(guide).isFile())
        m_seam->showMessage(this, userGuideMissing(guide));
    else if (!m_seam->openUrl(QUrl::fromLocalFile(guide)))
        m_seam->showMessage(this, userGuideNotOpened(guide));
}

void CMainFrame::OnWebPage() {
    m_seam->openUrl(QUrl(kWebPageAddress));
}

void CMainFrame::OnAbout() {
    CNAboutDlg dialog(this);
    m_seam->runModal(dialog);
}

void CMainFrame::OnExit() {
    if (!maySetAsideDocument())
        return;
    endRecovery();
    // Ends at once: the layout of this run is deliberately not saved.
    m_seam->exitProcess(0);
}

void CMainFrame::OnPlaySubtitle() {
    startProgram(QStringLiteral("trelline"), {});
}

void CMainFrame::OnMiniStudyVocabulary() {
    startProgram(QStringLiteral("mini"), {QStringLiteral("-f"), QStringLiteral("0")});
}

void CMainFrame::OnStudyDictionary() {
    startProgram(QStringLiteral("mini"), {QStringLiteral("-f"), QStringLiteral("1")});
}

void CMainFrame::showLibrary(LibraryMode mode) {
    const std::vector<DictionaryRecord> records =
        m_store.readRecords(mode == LibraryMode::Vocabulary ? kVocabulary : kSentences);
    CViewVocaLib dialog(mode, records, this);
    m_seam->runModal(dialog);
}

void CMainFrame::OnViewVocabularyLibrary() {
    showLibrary(LibraryMode::Vocabulary);
}

void CMainFrame::OnViewDictionary() {
    showLibrary(LibraryMode::Dictionary);
}

bool CMainFrame::appendRecord(const DictionaryRecord& record, int selector) {
    if (m_store.AppendDictionaryRecord(record, selector) != 0)
        return false;
    if (selector == kSentences)
        rememberDictionary();
    return true;
}

// ---------------------------------------------------------------- lock indicators

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        updateLockIndicators(static_cast<QKeyEvent*>(event)->nativeModifiers());
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::updateLockIndicators(quint32 nativeModifiers) {
    // Only X11 reports the lock state with a key (Lock and Mod2 in the event's state); elsewhere
    // the indicators stay greyed rather than guess.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    constexpr quint32 kLockMask = 0x2, kMod2Mask = 0x10;
    m_indicators[0]->setEnabled(nativeModifiers & kLockMask);
    m_indicators[1]->setEnabled(nativeModifiers & kMod2Mask);
}
