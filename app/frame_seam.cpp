// The desktop behind the frame's seam.
#include "app/frame_seam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr char kLastFolderKey[] = "LastFolder";

// Messages carry paths, file contents and the translation service's answers: shown as markup, a
// file named "<font color=red>…" could pass for a warning of velmora's own.
void showAsPlainText(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}
} // namespace

QString velmoraConfigFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora");
}

DesktopSeam::DesktopSeam(QString settingsFile)
    : m_settingsFile(settingsFile.isEmpty() ? velmoraConfigFolder() + QStringLiteral("/folders.ini")
                                            : std::move(settingsFile)) {}

QString DesktopSeam::startFolder() const {
    const QString last = QSettings(m_settingsFile, QSettings::IniFormat).value(kLastFolderKey).toString();
    // A folder that has gone since (an unplugged disk) gives way to home.
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return QDir::homePath();
}

void DesktopSeam::rememberFolder(const QString& chosenFile) {
    if (chosenFile.isEmpty())
        return;
    const QString folder = QFileInfo(chosenFile).absolutePath();
    QDir().mkpath(QFileInfo(m_settingsFile).absolutePath());
    QSettings settings(m_settingsFile, QSettings::IniFormat);
    settings.setValue(kLastFolderKey, folder);
    settings.sync();
}

FileChoice DesktopSeam::getOpenFileName(QWidget* parent, const QStringList& nameFilters) {
    QFileDialog dialog(parent);
    dialog.setDirectory(startFolder());
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
    dialog.setDirectory(startFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString path = dialog.selectedFiles().value(0);
    rememberFolder(path);
    return path;
}

FileChoice DesktopSeam::getSaveFileChoice(QWidget* parent, const QStringList& nameFilters, int selectedFilter,
                                          const QStringList& defaultSuffixes) {
    QFileDialog dialog(parent);
    dialog.setDirectory(startFolder());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (selectedFilter >= 0 && selectedFilter < nameFilters.size())
        dialog.selectNameFilter(nameFilters[selectedFilter]);
    dialog.setDefaultSuffix(defaultSuffixes.value(selectedFilter));
    // The name gets the suffix of the format chosen last.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(defaultSuffixes.value(int(nameFilters.indexOf(filter))));
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString path = dialog.selectedFiles().value(0);
    rememberFolder(path);
    const QString selected = dialog.selectedNameFilter();
    int index = int(nameFilters.indexOf(selected));
    for (int i = 0; index < 0 && i < nameFilters.size(); ++i)
        if (nameFilters[i].startsWith(selected + QStringLiteral(" (")))
            index = i;
    return FileChoice{path, index};
}

void DesktopSeam::showMessage(QWidget* parent, const UserMessage& message) {
    QMessageBox::Icon icon = QMessageBox::Critical;
    if (message.icon == MessageIcon::Warning)
        icon = QMessageBox::Warning;
    else if (message.icon == MessageIcon::Information)
        icon = QMessageBox::Information;
    QMessageBox box(icon, message.caption, message.text, QMessageBox::Ok, parent);
    showAsPlainText(box);
    box.exec();
}

SaveChoice DesktopSeam::askToSave(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("velmora"), question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    showAsPlainText(box);
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

bool DesktopSeam::askYesNo(QWidget* parent, const UserMessage& question) {
    QMessageBox box(QMessageBox::Question, question.caption, question.text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    showAsPlainText(box);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
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
