// A dialog seam for widget tests: each answer is a function the test sets, and one left unset
// answers as a user who cancels; every message is kept.
#pragma once

#include "ui/dialog_seam.h"

#include <QDialog>
#include <QList>
#include <functional>

class ScriptedDialogs : public DialogSeam {
public:
    std::function<QString(QWidget* parent)> openFile;
    std::function<QString(QWidget* parent)> saveFile;
    std::function<int(QDialog&)> modal;
    // Called for each message besides keeping it.
    std::function<void(const UserMessage&)> onMessage;
    QList<UserMessage> messages;
    QStringList lastFilters;

    FileChoice getOpenFileName(QWidget* parent, const QStringList& nameFilters) override {
        lastFilters = nameFilters;
        return {openFile ? openFile(parent) : QString(), 0};
    }
    QString getSaveFileName(QWidget* parent, const QStringList& nameFilters, const QString&,
                            const QString&) override {
        lastFilters = nameFilters;
        return saveFile ? saveFile(parent) : QString();
    }
    void showMessage(QWidget*, const UserMessage& message) override {
        messages.append(message);
        if (onMessage)
            onMessage(message);
    }
    int runModal(QDialog& dialog) override { return modal ? modal(dialog) : int(QDialog::Rejected); }
    void showModeless(QDialog*) override {}
};
