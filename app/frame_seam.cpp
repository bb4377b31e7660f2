// The desktop behind the frame's seam.
#include "app/frame_seam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

FileChoice DesktopSeam::getOpenFileName(QWidget* parent, const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    // With the details hidden, some Qt versions hand back the label without its patterns.
    const QString selected = dialog.selectedNameFilter();
    int index = int(nameFilters.indexOf(selected));
    for (int i = 0; index < 0 && i < nameFilters.size(); ++i)
        if (nameFilters[i].startsWith(selected + QStringLiteral(" (")))
            index = i;
    return FileChoice{files.first(), index};
}

QString DesktopSeam::getSaveFileName(QWidget* parent, const QStringList& nameFilters,
                                     const QString& defaultSuffix) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

void DesktopSeam::showMessage(QWidget* parent, const UserMessage& message) {
    QMessageBox::Icon icon = QMessageBox::Critical;
    if (message.icon == MessageIcon::Warning)
        icon = QMessageBox::Warning;
    else if (message.icon == MessageIcon::Information)
        icon = QMessageBox::Information;
    QMessageBox box(icon, message.caption, message.text, QMessageBox::Ok, parent);
    box.exec();
}

SaveChoice DesktopSeam::askToSave(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("velmora"), question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel;
    }
}

int DesktopSeam::runModal(QDialog& dialog) {
    return dialog.exec();
}

void DesktopSeam::showModeless(QDialog* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

bool DesktopSeam::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool DesktopSeam::startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

void DesktopSeam::exitProcess(int status) {
    // Whatever was printed must not be lost; the dictionary files are flushed after every write.
    std::fflush(nullptr);
    std::_Exit(status);
}
