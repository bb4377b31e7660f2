// velmora's main window: owns the session, the dictionary store, the command registry, the
// translation jobs, the ribbon, the client view, the Toolbox dock and the status bar, and makes the
// views follow every change. It is the context the commands reach the program through.
#pragma once

#include "app/command_table.h"
#include "app/commands/command_context.h"
#include "app/commands/command_registry.h"
#include "app/frame_seam.h"
#include "app/shell_rules.h"
#include "dictionary/dictionary_rules.h"
#include "dictionary/dictionary_store.h"
#include "edit/line_operations.h"
#include "memory/memory_store.h"
#include "review/finding.h"
#include "subtitle/recovery.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/subtitle_writer.h"

#include <QHash>
#include <QMainWindow>
#include <memory>

class CChildView;
class ChecksPage;
class ReviewController;
class MemoryPage;
class CReportView;
class CSentenceFormView;
class CVocaFormView;
class QComboBox;
class QDockWidget;
class QLabel;
class QTabWidget;
class QTimer;
class QToolButton;
class RibbonBar;
class TimeSpinEdit;
class TranslationRunner;

struct FrameOptions {
    // The folder of the program; empty means the folder of the running executable.
    QString programFolder;
    // The settings file that keeps the docking layout; empty means the user's config location.
    QString layoutFile;
    // Dialogs and desktop services; nullptr means the real desktop.
    FrameSeam* seam = nullptr;
    // Where unsaved work is kept against a crash; empty means it is not kept (velmora's start-up
    // gives the user's cache folder).
    QString recoveryFolder = QString();
    // How often unsaved work is written there.
    int autosaveMilliseconds = 60000;
};

inline constexpr char kLayoutKey[] = "NormalLayout";
inline constexpr char kToolboxCaption[] = "Toolbox";
inline constexpr int kToolboxWidth = 500;
inline const QString kWebPageAddress = QStringLiteral("https://velmora.example.org/");

class CMainFrame : public QMainWindow, public CommandContext {
    Q_OBJECT
public:
    explicit CMainFrame(FrameOptions options = {});
    ~CMainFrame() override;

    // Builds the frame step by step; false when a step that must succeed failed.
    bool OnCreate();

    // Every command by id, as a click on its control would send it: the client view first, then
    // the registry, which runs it only while it is enabled.
    void dispatchCommand(CommandId id);
    // Reads "FILE [TRANSLATED]" as the original and the translated subtitle.
    void loadFromCommandLine(const QStringList& files);

    // ---- the one place where the views follow the session
    // Runs an edit as one undo step and shows what it changed; nothing while a job writes.
    SessionChange runEdit(const SessionEdit& edit) override;
    // Grid model, selection and focus, timing boxes, charset combos, "Mapping Text", command states.
    void applyChange(const SessionChange& change);
    void undo() override;
    void redo() override;
    // Recomputes what the commands may do now (selection, document, history, a running job).
    void refreshCommandStates() override;
    // A translation job runs: commands that would touch the document wait.
    void setTranslating(bool translating);
    bool isTranslating() const { return m_translating; }

    // The ribbon's tab selection, by tab index (-1: none).
    void OnRibbonTabChanged(int tab);
    // The grid's focused row or selection changed.
    void OnGridFocusChanged(bool focusMoved);
    void rebuildMappingText();
    // The dictionary pane's edits take the focused row's current texts, or are emptied.
    void followDocumentInPanes();
    // Shows the Toolbox when it is hidden (closed), hides it when it is shown.
    void toggleToolbox();
    // Shows a passing message in the status bar.
    void showStatus(const QString& text, int milliseconds = 8000) override;

    SubtitleSession& session() { return m_session; }
    const SubtitleSession& session() const override { return m_session; }
    CommandRegistry& commands() { return m_commands; }
    // The translation jobs of this window; made with the frame, whose seam its dialogs go through.
    TranslationRunner& translationRunner() override { return *m_translation; }
    ReviewController& review() override { return *m_review; }
    ChecksPage* checksPage() const { return m_checksPage; }
    FrameSeam& seam() { return *m_seam; }
    DialogSeam& dialogs() override { return *m_seam; }
    QWidget* dialogParent() override { return this; }
    DictionaryStore& store() { return m_store; }
    MemoryStore* memory() override { return &m_memory; }
    MemoryPage* memoryPage() const { return m_memoryPage; }
    // The memory changed outside a save (an import): the page looks again.
    void memoryChanged() override;
    CChildView* childView() const { return m_view; }
    CReportView* grid() const;
    // The selected rows in ascending order, and the focused row (-1: none).
    QList<int> selectedRows() const override;
    int focusedRow() const override;
    void focusRow(int row) override;
    RibbonBar* ribbon() const { return m_ribbon; }
    QDockWidget* toolbox() const { return m_toolbox; }
    QTabWidget* paneTabStrip() const { return m_paneTabs; }
    CSentenceFormView* sentencePane() const { return m_sentencePane; }
    CVocaFormView* vocaPane() const { return m_vocaPane; }
    QLabel* indicator(int index) const; // 0 CAP, 1 NUM, 2 SCRL
    QString layoutFile() const { return m_layoutFile; }

    // The shell's own handlers; the registry binds them (app/commands/shell_commands.cpp).
    void OnLoadOriginal();
    void OnLoadTranslated();
    // True when the file was written.
    bool saveDocument(SaveKind kind);
    // The same in a format picked in the save dialog (the loaded one first); a conversion says in
    // the status bar what the format could not hold.
    bool saveDocumentAs(SaveKind kind);
    // The file a save dialog proposes for the kind, in the format with that extension.
    QString suggestedPath(SaveKind kind, QStringView extension) const;
    // After a save: the side it keeps is clean and has its file.
    void noteSaved(SaveKind kind, const QString& path);
    // Asks about each side with unsaved work, by name, whether to save it first; false when the
    // user cancelled (or a save did not happen), so whatever was about to drop the work must not.
    bool maySetAside(SideMask sides);
    bool maySetAsideDocument() { return maySetAside(savedBy(Side::Original) | savedBy(Side::Translated)); }
    // Whether the side holds work its file lacks. A side without a file of its own (a translation
    // not begun) holds some only once its texts were changed: times and rows alone are the
    // original's work.
    bool isModified(Side side) const;
    bool isModified() const { return isModified(Side::Original) || isModified(Side::Translated); }
    // The file a side was last loaded from or saved to; empty when none.
    QString sideFile(Side side) const { return m_sideFiles[int(side)]; }

    // Keeps the unsaved work in the recovery file now, or removes the file when nothing is unsaved.
    void autosave();
    // At start-up: offers the work that runs which ended without a clean exit left, newest first,
    // until one is restored; true when one was.
    bool offerRecovery();
    QString recoveryFile() const { return m_recovery ? m_recovery->path() : QString(); }
    void OnChangeOriginalCharset();
    void OnChangeTranslatedCharset();
    // Whether picking a character set can read the side anew (not for a side read as Unicode).
    bool canRedecode(Side side) const;
    void OnHelpTopics();
    void OnWebPage();
    void OnAbout();
    void OnExit();
    void OnPlaySubtitle();
    void OnViewVocabularyLibrary();
    void OnViewDictionary();
    void OnMiniStudyVocabulary();
    void OnStudyDictionary();

    // The ribbon controls the frame drives; nullptr until the ribbon is built.
    QComboBox* translateFromCombo() const { return m_translateFromCombo; }
    QComboBox* translateToCombo() const { return m_translateToCombo; }
    QComboBox* originalCharsetCombo() const { return m_originalCharsetCombo; }
    QComboBox* translatedCharsetCombo() const { return m_translatedCharsetCombo; }
    TimeSpinEdit* showTimeEdit() const { return m_showTimeEdit; }
    TimeSpinEdit* hideTimeEdit() const { return m_hideTimeEdit; }
    QToolButton* restoreTimeButton() const { return m_restoreTimeButton; }

    TimeSpinEdit* timeBox(TimeBox box) const override {
        return box == TimeBox::Show ? m_showTimeEdit : m_hideTimeEdit;
    }
    QByteArray languagePair() const override;
    void whenRibbonBuilt(std::function<void()> connect) override;
    QWidget* ribbonControl(CommandId id) const override;

signals:
    // A load from a dialog or the command line has put its rows into the grid.
    void documentLoaded();
    // The ribbon exists: features that drive its controls connect to them now.
    void ribbonBuilt();
    // The session changed (an edit, an undo, a redo or a load).
    void sessionChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool createStatusBar();
    bool createToolbox(int clientHeight);
    bool buildPaneTabStrip();
    bool BuildRibbon();
    void restoreLayout();
    void saveLayout();
    void installShortcuts();
    void updateLockIndicators(quint32 nativeModifiers);
    void fillTimingBoxes(int row);
    void updateTitle();
    // A load of the side from path has put its rows in.
    void noteLoaded(Side side, const QString& path);
    RecoveryState recoveryState() const;
    void restoreWork(const RecoveryState& state);
    // The work is saved or given up on: no recovery file stays behind.
    void endRecovery();
    // Each combo follows its own side: the side just loaded (read as readAs), and any side whose
    // code page moved since its combo last showed it.
    void syncCharsetCombos(std::optional<Side> loaded = std::nullopt, const EncodingGuess& readAs = {});

    void loadSubtitle(Side side);
    // Loads bytes read once from path; on success the document's format becomes documentFormat.
    // Returns whether the load was accepted.
    bool readSubtitle(const QString& path, const QByteArray& bytes, SubtitleFormat format, Side side,
                      SubtitleFormat documentFormat);
    // The two halves of readSubtitle: the load itself, and what follows loads (the mapping text,
    // the commands' states, the panes and the review), so that two files loaded together are
    // followed once.
    struct LoadedSide {
        bool changed = false;   // the load was accepted
        bool completed = false; // the reader reached the end of the file
    };
    LoadedSide loadSide(const QString& path, const QByteArray& bytes, SubtitleFormat format, Side side,
                        SubtitleFormat documentFormat);
    void followLoads(LoadedSide loaded);
    void changeCharset(Side side);
    // A job is one undo step; its batches are written as they come.
    void followTranslationJobs();
    bool appendRecord(const DictionaryRecord& record, int selector);
    // The review follows loads, the "To" language and the walk through its findings.
    void followReview();
    void showFinding(const Finding& finding);
    // The translated rows of the document go into the memory under the file's name.
    void rememberTranslations(const QString& path);
    // The dictionary's sentences not yet in the memory go in, as made by hand.
    void rememberDictionary();
    LanguagePair memoryLanguages() const;
    // What the memory knows of a job's originals for the pair of the combos, by job position.
    QList<std::pair<int, QString>> knownTranslations(const QStringList& originals);
    void startProgram(const QString& name, const QStringList& arguments);
    void showLibrary(LibraryMode mode);

    FrameOptions m_options;
    std::unique_ptr<FrameSeam> m_ownSeam;
    FrameSeam* m_seam;
    QString m_layoutFile;

    SubtitleSession m_session;
    // Before the registry, whose handlers use it; its worker is joined when it goes.
    std::unique_ptr<TranslationRunner> m_translation;
    // Before the registry too; it follows every change of the session.
    std::unique_ptr<ReviewController> m_review;
    CommandRegistry m_commands;
    DictionaryStore m_store;
    MemoryStore m_memory;
    // Each original's translation as the last job wrote it, and by which engine.
    struct MachineText {
        QString translated;
        QString engine;
    };
    QHash<QString, MachineText> m_machineTexts;
    TimingsMaskLatch m_maskLatch;
    CharsetBoxFollower m_charsetBoxes[2] = {CharsetBoxFollower(Side::Original),
                                            CharsetBoxFollower(Side::Translated)}; // by Side
    bool m_translating = false;
    // Each side's file, for the title, the questions and the recovery file.
    QString m_sideFiles[2];
    // Unsaved work kept against a crash; none when no recovery folder was given.
    std::unique_ptr<RecoveryFile> m_recovery;
    QTimer* m_autosaveTimer = nullptr;
    // Counts the changes of the session, and the count the recovery file holds.
    quint64 m_changes = 0;
    quint64 m_autosavedChanges = 0;

    CChildView* m_view = nullptr;
    RibbonBar* m_ribbon = nullptr;
    QComboBox* m_translateFromCombo = nullptr;
    QComboBox* m_translateToCombo = nullptr;
    QComboBox* m_originalCharsetCombo = nullptr;
    QComboBox* m_translatedCharsetCombo = nullptr;
    TimeSpinEdit* m_showTimeEdit = nullptr;
    TimeSpinEdit* m_hideTimeEdit = nullptr;
    QToolButton* m_restoreTimeButton = nullptr;
    QDockWidget* m_toolbox = nullptr;
    QTabWidget* m_paneTabs = nullptr;
    CSentenceFormView* m_sentencePane = nullptr;
    CVocaFormView* m_vocaPane = nullptr;
    ChecksPage* m_checksPage = nullptr;
    QWidget* m_moviePage = nullptr;
    MemoryPage* m_memoryPage = nullptr;
    QLabel* m_indicators[3] = {};
    bool m_created = false;
};
