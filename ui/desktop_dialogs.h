// The desktop's answers to what windows ask: Qt's file dialogs and message boxes.
#pragma once

#include "ui/dialog_seam.h"

class DesktopDialogs : public DialogSeam {
public:
    // With a settings file, file dialogs open in the folder last used, remembered there between
    // runs, or in the home folder the first time; never in the program folder. Without one they
    // open where Qt puts them.
    explicit DesktopDialogs(QString folderMemory = {});
    QString startFolder() const;
    void rememberFolder(const QString& chosenFile);

    FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) override;
    QString getSaveFileName(QWidget* parent, const QStringList& nameFilters, const QString& defaultSuffix,
                            const QString& suggestedPath) override;
    FileChoice getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                 const QStringList& defaultSuffixes,
                                 const QStringList& suggestedPaths) override;
    void showMessage(QWidget* parent, const UserMessage& message) override;
    bool askYesNo(QWidget* parent, const UserMessage& question) override;
    int runModal(QDialog& dialog) override;
    void showModeless(QDialog* dialog) override;

private:
    QString m_folderMemory;
};
