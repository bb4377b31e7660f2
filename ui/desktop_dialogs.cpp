// Qt's dialogs behind the dialog seam.
#include "ui/desktop_dialogs.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>

namespace {
constexpr char kLastFolderKey[] = "LastFolder";

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::Critical;
    }
}
// With the details hidden, some Qt versions hand back the label without its patterns.
int indexOfFilter(const QStringList& nameFilters, const QString& selected) {
    int index = int(nameFilters.indexOf(selected));
    for (int i = 0; index < 0 && i < nameFilters.size(); ++i)
        if (nameFilters[i].startsWith(selected + QStringLiteral(" (")))
            index = i;
    return index;
}

int filterIndexOf(const QFileDialog& dialog, const QStringList& nameFilters) {
    return indexOfFilter(nameFilters, dialog.selectedNameFilter());
}

// A proposed file opens its own folder with its name filled in; without one the dialog starts in
// the folder given.
void startAt(QFileDialog& dialog, const QString& folder, const QString& suggestedPath) {
    if (!suggestedPath.isEmpty()) {
        const QFileInfo file(suggestedPath);
        dialog.setDirectory(file.absolutePath());
        dialog.selectFile(file.fileName());
    } else if (!folder.isEmpty()) {
        dialog.setDirectory(folder);
    }
}

// The name the user sees in Qt's own dialog; empty when a native dialog hides it.
QString shownName(const QFileDialog& dialog) {
    const auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit ? edit->text() : QString();
}
} // namespace

DesktopDialogs::DesktopDialogs(QString folderMemory) : m_folderMemory(std::move(folderMemory)) {}

QString DesktopDialogs::startFolder() const {
    if (m_folderMemory.isEmpty())
        return {};
    const QString last = QSettings(m_folderMemory, QSettings::IniFormat).value(kLastFolderKey).toString();
    // A folder that has gone since (an unplugged disk) gives way to home.
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QDir::homePath();
}

void DesktopDialogs::rememberFolder(const QString& chosenFile) {
    if (chosenFile.isEmpty() || m_folderMemory.isEmpty())
        return;
    const QString folder = QFileInfo(chosenFile).absolutePath();
    QDir().mkpath(QFileInfo(m_folderMemory).absolutePath());
    QSettings settings(m_folderMemory, QSettings::IniFormat);
    settings.setValue(kLastFolderKey, folder);
    settings.sync();
}

FileChoice DesktopDialogs::getOpenFileName(QWidget* parent, const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    if (const QString folder = startFolder(); !folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    rememberFolder(files.first());
    return FileChoice{files.first(), filterIndexOf(dialog, nameFilters)};
}

QString DesktopDialogs::getSaveFileName(QWidget* parent, const QStringList& nameFilters,
                                        const QString& defaultSuffix, const QString& suggestedPath) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(defaultSuffix);
    startAt(dialog, startFolder(), suggestedPath);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString path = dialog.selectedFiles().value(0);
    rememberFolder(path);
    return path;
}

FileChoice DesktopDialogs::getSaveFileChoice(QWidget* parent, const QStringList& nameFilters,
                                             int selectedFilter, const QStringList& defaultSuffixes,
                                             const QStringList& suggestedPaths) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (selectedFilter >= 0 && selectedFilter < nameFilters.size())
        dialog.selectNameFilter(nameFilters[selectedFilter]);
    dialog.setDefaultSuffix(defaultSuffixes.value(selectedFilter));
    QString proposed = suggestedPaths.value(selectedFilter);
    startAt(dialog, startFolder(), proposed);
    // The name gets the suffix of the format chosen last; a proposed name follows the format, a
    // name the user typed stays as typed.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        const int index = indexOfFilter(nameFilters, filter);
        dialog.setDefaultSuffix(defaultSuffixes.value(index));
        const QString next = suggestedPaths.value(index);
        const QString shown = shownName(dialog);
        if (next.isEmpty() || (!shown.isEmpty() && shown != QFileInfo(proposed).fileName()))
            return;
        dialog.selectFile(QFileInfo(next).fileName());
        proposed = next;
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString path = dialog.selectedFiles().value(0);
    rememberFolder(path);
    return FileChoice{path, filterIndexOf(dialog, nameFilters)};
}

void DesktopDialogs::showMessage(QWidget* parent, const UserMessage& message) {
    QMessageBox box(boxIcon(message.icon), message.caption, message.text, QMessageBox::Ok, parent);
    // Messages carry paths, file contents and services' answers: shown as markup, a file named
    // "<font color=red>…" could pass for a warning of the program's own.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DesktopDialogs::askYesNo(QWidget* parent, const UserMessage& question) {
    QMessageBox box(QMessageBox::Question, question.caption, question.text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

int DesktopDialogs::runModal(QDialog& dialog) {
    return dialog.exec();
}

void DesktopDialogs::showModeless(QDialog* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
