// A main frame for widget tests: its program folder in a temporary directory and every dialog,
// file picker and desktop service answered by a fake seam.
#pragma once

#include "app/child_view.h"
#include "app/entry_rows_model.h"
#include "app/main_frame.h"
#include "app/mapping_view.h"
#include "app/report_view.h"
#include "app/ribbon/ribbon_bar.h"
#include "app/sentence_form_view.h"
#include "app/view_voca_lib.h"
#include "app/voca_form_view.h"
#include "subtitle/subtitle_format.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QUrl>
#include <deque>
#include <gtest/gtest.h>

class FakeSeam : public FrameSeam {
public:
    std::deque<FileChoice> openAnswers;
    std::deque<QString> saveAnswers;
    int openAsked = 0;
    int saveAsked = 0;
    QStringList lastSaveFilters;
    QString lastSuffix;
    QString lastSuggestion; // the file the last save dialog proposed
    QList<UserMessage> messages;
    std::function<void(QDialog&)> onModal;
    int modalResult = QDialog::Accepted;
    QStringList modalTitles;
    QList<QUrl> urls;
    bool openUrlSucceeds = true;
    QList<QPair<QString, QStringList>> started;
    bool startSucceeds = true;
    int exitStatus = -1;

    FileChoice getOpenFileName(QWidget*, const QStringList&) override {
        ++openAsked;
        if (openAnswers.empty())
            return {};
        FileChoice c = openAnswers.front();
        openAnswers.pop_front();
        return c;
    }
    QString getSaveFileName(QWidget*, const QStringList& filters, const QString& suffix,
                            const QString& suggestion) override {
        ++saveAsked;
        lastSaveFilters = filters;
        lastSuffix = suffix;
        lastSuggestion = suggestion;
        if (saveAnswers.empty())
            return {};
        QString p = saveAnswers.front();
        saveAnswers.pop_front();
        return p;
    }
    // Save dialogs with a choice of formats: the filter offered first, and the answers.
    std::deque<FileChoice> saveChoiceAnswers;
    int offeredFilter = -1;
    QStringList offeredSuggestions; // one per filter
    FileChoice getSaveFileChoice(QWidget*, const QStringList& filters, int selected, const QStringList&,
                                 const QStringList& suggestions) override {
        ++saveAsked;
        lastSaveFilters = filters;
        offeredFilter = selected;
        offeredSuggestions = suggestions;
        if (saveChoiceAnswers.empty())
            return {};
        const FileChoice c = saveChoiceAnswers.front();
        saveChoiceAnswers.pop_front();
        return c;
    }
    void showMessage(QWidget*, const UserMessage& m) override { messages.append(m); }
    QList<UserMessage> yesNoQuestions;
    std::deque<bool> yesNoAnswers; // No when none
    bool askYesNo(QWidget*, const UserMessage& q) override {
        yesNoQuestions.append(q);
        if (yesNoAnswers.empty())
            return false;
        const bool yes = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return yes;
    }
    std::deque<SaveChoice> saveChoices; // answers to "Save the translated subtitle?"; Discard when none
    QStringList questions;
    SaveChoice askToSave(QWidget*, const QString& question) override {
        questions.append(question);
        if (saveChoices.empty())
            return SaveChoice::Discard;
        const SaveChoice c = saveChoices.front();
        saveChoices.pop_front();
        return c;
    }
    QList<QPointer<QDialog>> modeless;
    void showModeless(QDialog* d) override { modeless.append(d); }
    int runModal(QDialog& d) override {
        modalTitles.append(d.windowTitle());
        // A handler answers the dialog as a user would (accept, reject, or leave it open).
        if (onModal) {
            onModal(d);
            return d.result();
        }
        return modalResult;
    }
    bool openUrl(const QUrl& url) override {
        urls.append(url);
        return openUrlSucceeds;
    }
    bool startDetached(const QString& program, const QStringList& args) override {
        started.append({program, args});
        return startSucceeds;
    }
    void exitProcess(int status) override { exitStatus = status; }
};

inline QByteArray srt(int entries, const char* text = "Line") {
    QByteArray out;
    for (int i = 0; i < entries; ++i) {
        out += QByteArray::number(i + 1) + "\r\n";
        out += QStringLiteral("00:00:%1,000 --> 00:00:%2,500\r\n")
                   .arg(i * 2, 2, 10, QChar(u'0'))
                   .arg(i * 2 + 1, 2, 10, QChar(u'0'))
                   .toLatin1();
        out += QByteArray(text) + ' ' + QByteArray::number(i + 1) + "\r\n\r\n";
    }
    return out;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldCwd = QDir::currentPath();
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("bin"));
        QDir(m_root.path()).mkpath(QStringLiteral("data"));
        QDir(m_root.path()).mkpath(QStringLiteral("log"));
    }
    void TearDown() override {
        m_frame.reset();
        QDir::setCurrent(m_oldCwd);
    }

    QString bin() const { return m_root.filePath(QStringLiteral("bin")) + u'/'; }
    QString layout() const { return m_root.filePath(QStringLiteral("layout.ini")); }

    CMainFrame& frame(bool show = false) {
        m_frame.reset();
        m_frame = std::make_unique<CMainFrame>(FrameOptions{bin(), layout(), &m_seam});
        EXPECT_TRUE(m_frame->OnCreate());
        if (show) {
            m_frame->resize(1280, 800);
            m_frame->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        }
        return *m_frame;
    }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_root.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    void load(CommandId id, const QString& path, int filterIndex = 0) {
        m_seam.openAnswers.push_back({path, filterIndex});
        m_frame->dispatchCommand(id);
    }

    // The grid's focus handling runs once the view has settled.
    static void settle() { QTest::qWait(1); }

    void selectRows(std::initializer_list<int> rows) {
        CReportView* g = m_frame->grid();
        g->selectionModel()->clearSelection();
        for (int r : rows) {
            const QModelIndex i = g->model()->index(r, 0);
            g->selectionModel()->setCurrentIndex(i, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        settle();
    }

    int tabIndex(const char* caption) const {
        for (int t = 0; t < m_frame->ribbon()->tabCount(); ++t)
            if (m_frame->ribbon()->tabCaption(t) == QLatin1String(caption))
                return t;
        return -1;
    }

    QTemporaryDir m_root;
    QString m_oldCwd;
    FakeSeam m_seam;
    std::unique_ptr<CMainFrame> m_frame;
};
