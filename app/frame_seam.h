// What the frame asks of the desktop: the dialogs every window asks for, and besides them the
// question before work would be lost, opening documents, starting programs and ending the process.
// Tests answer through their own seam.
#pragma once

#include "ui/desktop_dialogs.h"
#include "ui/dialog_seam.h"

#include <QString>
#include <QStringList>

class QUrl;

// The answer to "Save the translated subtitle?" before work would be lost.
enum class SaveChoice { Save, Discard, Cancel };

class FrameSeam : public DialogSeam {
public:
    virtual SaveChoice askToSave(QWidget* parent, const QString& question) = 0;
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
    QString startFolder() const { return m_dialogs.startFolder(); }
    void rememberFolder(const QString& chosenFile) { m_dialogs.rememberFolder(chosenFile); }

    FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) override {
        return m_dialogs.getOpenFileName(parent, nameFilters);
    }
    QString getSaveFileName(QWidget* parent, const QStringList& nameFilters, const QString& defaultSuffix,
                            const QString& suggestedPath) override {
        return m_dialogs.getSaveFileName(parent, nameFilters, defaultSuffix, suggestedPath);
    }
    void showMessage(QWidget* parent, const UserMessage& message) override {
        m_dialogs.showMessage(parent, message);
    }
    bool askYesNo(QWidget* parent, const UserMessage& question) override {
        return m_dialogs.askYesNo(parent, question);
    }
    int runModal(QDialog& dialog) override { return m_dialogs.runModal(dialog); }
    void showModeless(QDialog* dialog) override { m_dialogs.showModeless(dialog); }
    FileChoice getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                 const QStringList& defaultSuffixes,
                                 const QStringList& suggestedPaths) override {
        return m_dialogs.getSaveFileChoice(parent, nameFilters, selectedFilter, defaultSuffixes,
                                           suggestedPaths);
    }
    SaveChoice askToSave(QWidget* parent, const QString& question) override;
    bool openUrl(const QUrl& url) override;
    bool startDetached(const QString& program, const QStringList& arguments) override;
    [[noreturn]] void exitProcess(int status) override;

private:
    DesktopDialogs m_dialogs;
};

// Where velmora keeps what it remembers between runs: ~/.config/velmora (or $XDG_CONFIG_HOME/velmora).
QString velmoraConfigFolder();
