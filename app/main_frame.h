// velmora's main window: owns the session, the dictionary store, the ribbon, the client view,
// the Toolbox dock and the status bar, and routes every command.
#pragma once

#include "app/command_table.h"
#include "app/frame_seam.h"
#include "app/shell_rules.h"
#include "dictionary/dictionary_store.h"
#include "subtitle/subtitle_session.h"
#include "subtitle/subtitle_writer.h"

#include <QMainWindow>
#include <memory>

class CChildView;
class CReportView;
class CSentenceFormView;
class CVocaFormView;
class QComboBox;
class QDockWidget;
class QLabel;
class QTabWidget;
class QToolButton;
class RibbonBar;
class TimeSpinEdit;

struct FrameOptions {
    // The folder of the program; empty means the folder of the running executable.
    QString programFolder;
    // The settings file that keeps the docking layout; empty means the user's config location.
    QString layoutFile;
    // Dialogs and desktop services; nullptr means the real desktop.
    FrameSeam* seam = nullptr;
};

inline constexpr char kLayoutKey[] = "NormalLayout";
inline constexpr char kToolboxCaption[] = "Toolbox";
inline constexpr int kToolboxWidth = 500;
inline const QString kWebPageAddress = QStringLiteral("https://velmora.example.org/");

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(FrameOptions options = {});
    ~CMainFrame() override;

    // Builds the frame step by step; false when a step that must succeed failed.
    bool OnCreate();

    // Every command by id: the client view first, then the frame's own table. Unknown ids are ignored.
    void dispatchCommand(CommandId id);
    // Reads "FILE [TRANSLATED]" as the original and the translated subtitle.
    void loadFromCommandLine(const QStringList& files);

    // The ribbon's tab selection, by tab index (-1: none).
    void OnRibbonTabChanged(int tab);
    // The grid's focused row or selection changed.
    void OnGridFocusChanged(bool focusMoved);
    void rebuildMappingText();

    SubtitleSession& session() { return m_session; }
    DictionaryStore& store() { return m_store; }
    CChildView* childView() const { return m_view; }
    CReportView* grid() const;
    RibbonBar* ribbon() const { return m_ribbon; }
    QDockWidget* toolbox() const { return m_toolbox; }
    QTabWidget* paneTabStrip() const { return m_paneTabs; }
    CSentenceFormView* sentencePane() const { return m_sentencePane; }
    CVocaFormView* vocaPane() const { return m_vocaPane; }
    QLabel* indicator(int index) const; // 0 CAP, 1 NUM, 2 SCRL
    QString layoutFile() const { return m_layoutFile; }
    // Whether any frame handler is bound to id.
    static bool hasHandler(CommandId id);

    // The ribbon controls that handlers read and drive; empty until the ribbon is built.
    QComboBox* translateFromCombo = nullptr;
    QComboBox* translateToCombo = nullptr;
    QComboBox* originalCharsetCombo = nullptr;
    QComboBox* translatedCharsetCombo = nullptr;
    TimeSpinEdit* showTimeEdit = nullptr;
    TimeSpinEdit* hideTimeEdit = nullptr;
    QToolButton* restoreTimeButton = nullptr;

signals:
    // A load from a dialog or the command line has put its rows into the grid.
    void documentLoaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Handler {
        CommandId id;
        void (CMainFrame::*run)();
    };
    static const Handler kHandlers[];

    bool createStatusBar();
    bool createToolbox(int clientHeight);
    bool buildPaneTabStrip();
    bool BuildRibbon();
    void restoreLayout();
    void saveLayout();
    void installShortcuts();
    void updateLockIndicators(quint32 nativeModifiers);

    void loadSubtitle(Side side);
    void readSubtitle(const QString& path, SubtitleFormat format, Side side);
    void saveDocument(SaveKind kind);
    void changeCharset(Side side);
    bool appendRecord(const DictionaryRecord& record, int selector);
    void startProgram(const QString& name, const QStringList& arguments);
    void showLibrary(LibraryMode mode);

    void OnNoAction() {}
    // Bound to the commands whose features come later; they must be harmless until then.
    void OnLaterFeature() {}
    void OnLoadOriginal();
    void OnLoadTranslated();
    void OnSaveOriginalSubtitle();
    void OnSaveTranslatedSubtitle();
    void OnSaveMixSubtitle();
    void OnSaveOriginalText();
    void OnSaveTranslatedText();
    void OnSaveMixText();
    void OnChangeOriginalCharset();
    void OnChangeTranslatedCharset();
    void OnHelpTopics();
    void OnWebPage();
    void OnAbout();
    void OnExit();
    void OnPlaySubtitle();
    void OnViewVocabularyLibrary();
    void OnViewDictionary();
    void OnMiniStudyVocabulary();
    void OnStudyDictionary();

    FrameOptions m_options;
    std::unique_ptr<FrameSeam> m_ownSeam;
    FrameSeam* m_seam;
    QString m_layoutFile;

    SubtitleSession m_session;
    DictionaryStore m_store;
    TimingsMaskLatch m_maskLatch;

    CChildView* m_view = nullptr;
    RibbonBar* m_ribbon = nullptr;
    QDockWidget* m_toolbox = nullptr;
    QTabWidget* m_paneTabs = nullptr;
    CSentenceFormView* m_sentencePane = nullptr;
    CVocaFormView* m_vocaPane = nullptr;
    QWidget* m_moviePage = nullptr;
    QLabel* m_indicators[3] = {};
    bool m_created = false;
};
