// The main frame: creation, layout persistence, command routing and the shell's own handlers.
#include "app/main_frame.h"

#include "app/about_dialog.h"
#include "app/child_view.h"
#include "app/entry_rows_model.h"
#include "app/mapping_view.h"
#include "app/report_view.h"
#include "app/ribbon/velmora_ribbon.h"
#include "app/sentence_form_view.h"
#include "app/view_voca_lib.h"
#include "app/voca_form_view.h"
#include "charset/charset_table.h"
#include "charset/redecode.h"
#include "media/movie_form_view.h"
#include "subtitle/mapping_text.h"
#include "subtitle/subtitle_reader.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

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
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config/velmora");
    return dir + QStringLiteral("/layout.ini");
}
} // namespace

// One row per command id of the table; later features are bound but harmless.
const CMainFrame::Handler CMainFrame::kHandlers[] = {
    {CommandId::LoadOriginal, &CMainFrame::OnLoadOriginal},
    {CommandId::LoadTranslated, &CMainFrame::OnLoadTranslated},
    {CommandId::Save, &CMainFrame::OnNoAction},
    {CommandId::SaveOriginalSubtitle, &CMainFrame::OnSaveOriginalSubtitle},
    {CommandId::SaveTranslatedSubtitle, &CMainFrame::OnSaveTranslatedSubtitle},
    {CommandId::SaveMixSubtitle, &CMainFrame::OnSaveMixSubtitle},
    {CommandId::SaveOriginalText, &CMainFrame::OnSaveOriginalText},
    {CommandId::SaveTranslatedText, &CMainFrame::OnSaveTranslatedText},
    {CommandId::SaveMixText, &CMainFrame::OnSaveMixText},
    {CommandId::StartTranslate, &CMainFrame::OnNoAction},
    {CommandId::TranslateAll, &CMainFrame::OnLaterFeature},
    {CommandId::TranslateSelected, &CMainFrame::OnLaterFeature},
    {CommandId::TranslateFrom, &CMainFrame::OnNoAction},
    {CommandId::ChangeOriginalCharset, &CMainFrame::OnChangeOriginalCharset},
    {CommandId::ChangeTranslatedCharset, &CMainFrame::OnChangeTranslatedCharset},
    {CommandId::TranslateTo, &CMainFrame::OnNoAction},
    {CommandId::HelpTopics, &CMainFrame::OnHelpTopics},
    {CommandId::About, &CMainFrame::OnAbout},
    {CommandId::WebPage, &CMainFrame::OnWebPage},
    {CommandId::Exit, &CMainFrame::OnExit},
    {CommandId::ShowTime, &CMainFrame::OnNoAction},
    {CommandId::HideTime, &CMainFrame::OnNoAction},
    {CommandId::RestoreOriginalTime, &CMainFrame::OnLaterFeature},
    {CommandId::SetDelay, &CMainFrame::OnLaterFeature},
    {CommandId::CutLine, &CMainFrame::OnLaterFeature},
    {CommandId::CopyLine, &CMainFrame::OnLaterFeature},
    {CommandId::PasteLine, &CMainFrame::OnLaterFeature},
    {CommandId::InsertSubtitle, &CMainFrame::OnLaterFeature},
    {CommandId::InsertBefore, &CMainFrame::OnLaterFeature},
    {CommandId::DeleteSelected, &CMainFrame::OnLaterFeature},
    {CommandId::CombineSubtitles, &CMainFrame::OnLaterFeature},
    {CommandId::Search, &CMainFrame::OnLaterFeature},
    {CommandId::FindNext, &CMainFrame::OnLaterFeature},
    {CommandId::Replace, &CMainFrame::OnLaterFeature},
    {CommandId::GoToLineNumber, &CMainFrame::OnLaterFeature},
    {CommandId::ViewDictionary, &CMainFrame::OnViewDictionary},
    {CommandId::StudyDictionary, &CMainFrame::OnStudyDictionary},
    {CommandId::ConvertFileCodeSchema, &CMainFrame::OnLaterFeature},
    {CommandId::PlaySubtitle, &CMainFrame::OnPlaySubtitle},
    {CommandId::ViewVocabularyLibrary, &CMainFrame::OnViewVocabularyLibrary},
    {CommandId::MiniStudyVocabulary, &CMainFrame::OnMiniStudyVocabulary},
};

CMainFrame::CMainFrame(FrameOptions options) : m_options(std::move(options)) {
    if (m_options.seam) {
        m_seam = m_options.seam;
    } else {
        m_ownSeam = std::make_unique<DesktopSeam>();
        m_seam = m_ownSeam.get();
    }
    m_layoutFile = m_options.layoutFile.isEmpty() ? defaultLayoutFile() : m_options.layoutFile;
    setWindowTitle(QStringLiteral("velmora"));
    setObjectName(QStringLiteral("mainFrame"));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
}

CMainFrame::~CMainFrame() {
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
    enterProgramFolder();

    deleteTemporaryTranslatedFiles(programFolder());
    m_store.OpenDictionaryFiles(programFolder());

    if (!createStatusBar())
        return false;
    log_init("../log/dOzororuv.log");

    m_view = new CChildView(m_session, this);
    setCentralWidget(m_view);
    connect(grid(), &CReportView::gridFocusChanged, this, &CMainFrame::OnGridFocusChanged);

    QIcon icon = QIcon::fromTheme(QStringLiteral("accessories-text-editor"),
                                  style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    setWindowIcon(icon);
    installShortcuts();

    if (!createToolbox(clientHeight))
        return false;
    restoreLayout();
    if (!buildPaneTabStrip())
        return false;
    if (!BuildRibbon())
        return false;

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
    movie->setFilePicker(
        [this] { return m_seam->getOpenFileName(this, {QStringLiteral("All Files (*)")}).path; });
    movie->setMessageSink([this](const UserMessage& message) { m_seam->showMessage(this, message); });
    movie->setSubtitleWriter([this]() -> std::optional<QString> {
        SaveResult saved;
        SubtitleDocument& document = m_session.document;
        std::optional<QString> path = WriteTemporaryTranslatedSubtitle(
            document, programFolder(), QDateTime::currentSecsSinceEpoch(), &saved);
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
            m_seam->showMessage(this,
                                errorMessage(tr("The dictionary could not be written. The data folder "
                                                "beside the program folder must exist and be writable.")));
        });

    if (m_paneTabs->addTab(m_sentencePane, QStringLiteral("Dictionary Library")) < 0)
        return false;
    if (m_paneTabs->addTab(m_moviePage, QStringLiteral("Play Movie")) < 0)
        return false;
    return true;
}

bool CMainFrame::BuildRibbon() {
    m_ribbon = BuildVelmoraRibbon(this);
    if (!m_ribbon)
        return false;
    setMenuWidget(m_ribbon);

    translateFromCombo = m_ribbon->combo(quint16(CommandId::TranslateFrom));
    originalCharsetCombo = m_ribbon->combo(quint16(CommandId::ChangeOriginalCharset));
    translatedCharsetCombo = m_ribbon->combo(quint16(CommandId::ChangeTranslatedCharset));
    translateToCombo = m_ribbon->combo(quint16(CommandId::TranslateTo));
    showTimeEdit = m_ribbon->timeEdit(quint16(CommandId::ShowTime));
    hideTimeEdit = m_ribbon->timeEdit(quint16(CommandId::HideTime));
    restoreTimeButton = m_ribbon->button(quint16(CommandId::RestoreOriginalTime));
    // The code pages the two charset combos start from; the original follows the system.
    m_session.document.originalCodePage = 0;
    m_session.document.translatedCodePage = 1252;

    // The grid, not the ribbon, decides when these three can be used.
    for (QWidget* w : {static_cast<QWidget*>(showTimeEdit), static_cast<QWidget*>(hideTimeEdit),
                       static_cast<QWidget*>(restoreTimeButton)})
        if (w)
            w->setEnabled(false);

    connect(m_ribbon, &RibbonBar::commandTriggered, this, [this](quint16 id) {
        if (isKnownCommand(id))
            dispatchCommand(CommandId(id));
    });
    connect(m_ribbon, &RibbonBar::currentTabChanged, this, &CMainFrame::OnRibbonTabChanged);
    return true;
}

void CMainFrame::installShortcuts() {
    struct Shortcut {
        QKeySequence keys;
        CommandId id;
    };
    const Shortcut shortcuts[] = {
        {QKeySequence::Open, CommandId::LoadOriginal},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), CommandId::LoadTranslated},
        {QKeySequence::Save, CommandId::SaveTranslatedSubtitle},
        {QKeySequence::Find, CommandId::Search},
        {QKeySequence::FindNext, CommandId::FindNext},
        {QKeySequence::Replace, CommandId::Replace},
        {QKeySequence(Qt::CTRL | Qt::Key_G), CommandId::GoToLineNumber},
        {QKeySequence::HelpContents, CommandId::HelpTopics},
        {QKeySequence::Quit, CommandId::Exit},
    };
    for (const Shortcut& s : shortcuts) {
        auto* action = new QAction(commandLabel(s.id), this);
        action->setShortcut(s.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const CommandId id = s.id;
        connect(action, &QAction::triggered, this, [this, id] { dispatchCommand(id); });
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
    saveLayout();
    event->accept();
}

// ---------------------------------------------------------------- routing

bool CMainFrame::hasHandler(CommandId id) {
    for (const Handler& h : kHandlers)
        if (h.id == id)
            return true;
    return false;
}

void CMainFrame::dispatchCommand(CommandId id) {
    if (m_view && m_view->OnCmdMsg(id))
        return;
    for (const Handler& h : kHandlers)
        if (h.id == id) {
            (this->*h.run)();
            return;
        }
}

CReportView* CMainFrame::grid() const {
    return m_view ? m_view->grid() : nullptr;
}

void CMainFrame::OnRibbonTabChanged(int tab) {
    if (!m_ribbon || tab < 0 || tab >= m_ribbon->tabCount())
        return;
    CReportView* view = grid();
    const std::int32_t format = m_session.document.formatMode;
    if (m_ribbon->tabCaption(tab) == QLatin1String(kTimingsTab)) {
        view->setColumnHidden(kColumnShow, false);
        if (format != kSAMI)
            view->setColumnHidden(kColumnHide, false);
        if (const std::optional<QString> mask = m_maskLatch.take(format)) {
            if (showTimeEdit)
                showTimeEdit->setInputMask(*mask);
            if (hideTimeEdit)
                hideTimeEdit->setInputMask(*mask);
        }
        const int row = view->focusedRow();
        if (row >= 0 && row < m_session.rows.count()) {
            if (showTimeEdit)
                showTimeEdit->setText(m_session.rows.at(row).show);
            if (hideTimeEdit)
                hideTimeEdit->setText(m_session.rows.at(row).hide);
        }
    } else {
        view->setColumnHidden(kColumnShow, true);
        view->setColumnHidden(kColumnHide, true);
    }
}

void CMainFrame::OnGridFocusChanged(bool focusMoved) {
    CReportView* view = grid();
    const int row = view->focusedRow();
    const bool hasRecord = row >= 0 && row < m_session.rows.count();
    const TimingControlStates states = timingControlStates(
        view->selectedRowCount(), hasRecord, hasRecord ? m_session.rows.at(row).show : QString(),
        m_session.document.formatMode);
    if (showTimeEdit)
        showTimeEdit->setEnabled(states.showEdit);
    if (hideTimeEdit)
        hideTimeEdit->setEnabled(states.hideEdit);
    if (restoreTimeButton)
        restoreTimeButton->setEnabled(states.restoreButton);
    if (!hasRecord || !focusMoved)
        return;
    const EntryRow& entry = m_session.rows.at(row);
    if (m_sentencePane)
        m_sentencePane->setTexts(entry.original, entry.translated);
    if (showTimeEdit)
        showTimeEdit->setText(entry.show);
    if (hideTimeEdit)
        hideTimeEdit->setText(entry.hide);
}

void CMainFrame::rebuildMappingText() {
    m_view->mappingView()->setRuns(BuildMappingRuns(m_session.rows));
}

// ---------------------------------------------------------------- loading

void CMainFrame::OnLoadOriginal() {
    loadSubtitle(Side::Original);
}

void CMainFrame::OnLoadTranslated() {
    loadSubtitle(Side::Translated);
}

void CMainFrame::loadSubtitle(Side side) {
    const QStringList filters = qtNameFilters(kLoadFilter);
    const FileChoice choice = m_seam->getOpenFileName(this, filters);
    if (choice.path.isEmpty())
        return;
    // The filter picked says the format, whatever the file's extension; should the dialog not
    // tell which one was picked, the file's name and content decide.
    std::int32_t format = choice.filterIndex + 1;
    if (!isValidFormat(format))
        format = GuessSubtitleFormat(choice.path);
    m_session.document.formatMode = format;
    readSubtitle(choice.path, SubtitleFormat(format), side);
}

void CMainFrame::readSubtitle(const QString& path, SubtitleFormat format, Side side) {
    enterProgramFolder();
    // An original load rebuilds every row: one reset instead of a signal per row.
    EntryRowsModel* model = grid()->rowsModel();
    const bool bulk = side == Side::Original;
    if (bulk)
        model->beginBulkChange();
    const ReadResult result = LoadSubtitleFile(m_session, path, format, side);
    if (bulk)
        model->endBulkChange();
    if (result.message)
        m_seam->showMessage(this, *result.message);
    if (result.completed)
        rebuildMappingText();
    if (result.changed)
        emit documentLoaded();
}

void CMainFrame::loadFromCommandLine(const QStringList& files) {
    if (files.isEmpty())
        return;
    const QString original = QFileInfo(files[0]).absoluteFilePath();
    const QString translated = files.size() > 1 ? QFileInfo(files[1]).absoluteFilePath() : QString();
    for (const QString& path : {original, translated}) {
        if (!path.isEmpty() && !QFileInfo(path).isFile()) {
            m_seam->showMessage(this, errorMessage(tr("Cannot open the subtitle file \"%1\".").arg(path)));
            return;
        }
    }
    // The original's format is the document's: its time lines are the ones that are saved.
    const SubtitleFormat format = GuessSubtitleFormat(original);
    m_session.document.formatMode = format;
    readSubtitle(original, format, Side::Original);
    if (!translated.isEmpty())
        readSubtitle(translated, GuessSubtitleFormat(translated), Side::Translated);
}

// ---------------------------------------------------------------- saving

void CMainFrame::saveDocument(SaveKind kind) {
    enterProgramFolder();
    SubtitleDocument& document = m_session.document;
    if (!hasSomethingToSave(document, kind))
        return;
    const SaveDialogSpec dialog = saveDialogSpec(kind, document.formatMode);
    const QString path = m_seam->getSaveFileName(this, qtNameFilters(dialog.filter), dialog.defaultExtension);
    if (path.isEmpty())
        return;
    const SaveResult result = SaveDocument(document, kind, path);
    if (result.message)
        m_seam->showMessage(this, *result.message);
}

void CMainFrame::OnSaveOriginalSubtitle() {
    saveDocument(SaveKind::OriginalSubtitle);
}
void CMainFrame::OnSaveTranslatedSubtitle() {
    saveDocument(SaveKind::TranslatedSubtitle);
}
void CMainFrame::OnSaveMixSubtitle() {
    saveDocument(SaveKind::MixSubtitle);
}
void CMainFrame::OnSaveOriginalText() {
    saveDocument(SaveKind::OriginalText);
}
void CMainFrame::OnSaveTranslatedText() {
    saveDocument(SaveKind::TranslatedText);
}
void CMainFrame::OnSaveMixText() {
    saveDocument(SaveKind::MixText);
}

// ---------------------------------------------------------------- character sets

void CMainFrame::changeCharset(Side side) {
    QComboBox* combo = side == Side::Original ? originalCharsetCombo : translatedCharsetCombo;
    std::uint32_t& codePage =
        side == Side::Original ? m_session.document.originalCodePage : m_session.document.translatedCodePage;
    if (combo)
        if (const std::optional<std::uint32_t> page = lookupCharsetKey(combo->currentText()))
            codePage = *page;
    const RedecodeResult result = RedecodeSide(m_session, side, codePage);
    rebuildMappingText();
    if (result.rowsKept > 0)
        statusBar()->showMessage(tr("%n row(s) could not be read in this character set and kept their text.",
                                    nullptr, result.rowsKept),
                                 8000);
}

void CMainFrame::OnChangeOriginalCharset() {
    changeCharset(Side::Original);
}

void CMainFrame::OnChangeTranslatedCharset() {
    changeCharset(Side::Translated);
}

// ---------------------------------------------------------------- small handlers

void CMainFrame::startProgram(const QString& name, const QStringList& arguments) {
    enterProgramFolder();
    // A missing program is not reported: the user sees that nothing started.
    m_seam->startDetached(programFolder() + name, arguments);
}

void CMainFrame::OnHelpTopics() {
    enterProgramFolder();
    m_seam->openUrl(QUrl::fromLocalFile(programFolder() + QStringLiteral("help.chm")));
}

void CMainFrame::OnWebPage() {
    m_seam->openUrl(QUrl(kWebPageAddress));
}

void CMainFrame::OnAbout() {
    CNAboutDlg dialog(this);
    m_seam->runModal(dialog);
}

void CMainFrame::OnExit() {
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
    enterProgramFolder();
    const std::vector<DictionaryRecord> records =
        m_store.ReadRecords(mode == LibraryMode::Vocabulary ? kVocabulary : kSentences);
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
    enterProgramFolder();
    return m_store.AppendDictionaryRecord(record, selector) == 0;
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
