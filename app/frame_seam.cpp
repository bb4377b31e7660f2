// The desktop behind the frame's seam.
#include "app/frame_seam.h"

#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

QString velmoraConfigFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/velmora");
}

DesktopSeam::DesktopSeam(QString settingsFile)
    : m_dialogs(settingsFile.isEmpty() ? velmoraConfigFolder() + QStringLiteral("/folders.ini")
                                       : std::move(settingsFile)) {}

SaveChoice DesktopSeam::askToSave(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("velmora"), question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    // The question may hold a file's name, which is never markup.
    box.setTextFormat(Qt::PlainText);
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
