// A frame seam for the media tests: the file dialog answers with one film, messages are kept, and
// no dialog ever blocks.
#pragma once

#include "app/frame_seam.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class PaneSeam : public FrameSeam {
public:
    QString film;
    QStringList filters;
    QList<UserMessage> messages;

    FileChoice getOpenFileName(QWidget*, const QStringList& nameFilters) override {
        filters = nameFilters;
        return {film, 0};
    }
    QString getSaveFileName(QWidget*, const QStringList&, const QString&, const QString&) override {
        return {};
    }
    void showMessage(QWidget*, const UserMessage& m) override { messages.append(m); }
    int runModal(QDialog&) override { return QDialog::Rejected; }
    void showModeless(QDialog*) override {}
    SaveChoice askToSave(QWidget*, const QString&) override { return SaveChoice::Discard; }
    bool openUrl(const QUrl&) override { return false; }
    bool startDetached(const QString&, const QStringList&) override { return false; }
    void exitProcess(int) override {}
};
