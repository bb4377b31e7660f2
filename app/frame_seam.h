// What the frame asks of the desktop: file dialogs, message boxes, modal dialogs, opening
// documents, starting programs and ending the process. Tests answer through their own seam.
#pragma once

#include "support/user_message.h"

#include <QString>
#include <QStringList>

class QDialog;
class QUrl;
class QWidget;

// The answer to "Save the translated subtitle?" before work would be lost.
enum class SaveChoice { Save, Discard, Cancel };

struct FileChoice {
    QString path;        // empty when the user cancelled
    int filterIndex = 0; // index of the name filter selected when the dialog closed, -1 if unknown
};

class FrameSeam {
public:
    virtual ~FrameSeam() = default;

    virtual FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) = 0;
    virtual QString getSaveFileName(QWidget* parent, const QStringList& nameFilters,
                                    const QString& defaultSuffix) = 0;
    // A save dialog with a choice of formats: the filter selected first, and the suffix each
    // filter adds to a name without one. A seam without its own answers as getSaveFileName.
    virtual FileChoice getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                         const QStringList& defaultSuffixes) {
        return FileChoice{getSaveFileName(parent, nameFilters, defaultSuffixes.value(selectedFilter)),
                          selectedFilter};
    }
    virtual void showMessage(QWidget* parent, const UserMessage& message) = 0;
    virtual SaveChoice askToSave(QWidget* parent, const QString& question) = 0;
    // Asks a question with Yes and No; true for Yes. A seam that cannot ask answers No.
    virtual bool askYesNo(QWidget* parent, const UserMessage& question) {
        (void)parent;
        (void)question;
        return false;
    }
    // Runs a dialog modally and returns its result code.
    virtual int runModal(QDialog& dialog) = 0;
    // Shows a modeless dialog that lives on its own (it deletes itself when closed).
    virtual void showModeless(QDialog* dialog) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // Starts a program on its own, never through a shell; nothing waits for it.
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
    // Ends the process at once, without the orderly shutdown of windows.
    virtual void exitProcess(int status) = 0;
};

// The real desktop: Qt's dialogs, QDesktopServices and QProcess. File dialogs open in the folder
// last used, remembered between runs in a small settings file, or in the home folder the first
// time; never in the program folder.
class DesktopSeam : public FrameSeam {
public:
    // An empty settings file means ~/.config/velmora/folders.ini.
    explicit DesktopSeam(QString settingsFile = {});
    QString startFolder() const;
    void rememberFolder(const QString& chosenFile);

    FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) override;
    QString getSaveFileName(QWidget* parent, const QStringList& nameFilters,
                            const QString& defaultSuffix) override;
    FileChoice getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                 const QStringList& defaultSuffixes) override;
    void showMessage(QWidget* parent, const UserMessage& message) override;
    SaveChoice askToSave(QWidget* parent, const QString& question) override;
    bool askYesNo(QWidget* parent, const UserMessage& question) override;
    int runModal(QDialog& dialog) override;
    void showModeless(QDialog* dialog) override;
    bool openUrl(const QUrl& url) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
    [[noreturn]] void exitProcess(int status) override;

private:
    QString m_settingsFile;
};

// Where velmora keeps what it remembers between runs: ~/.config/velmora (or $XDG_CONFIG_HOME/velmora).
QString velmoraConfigFolder();
