// The main window the picture drivers photograph: a throw-away program folder, French as the
// target language, and the original and translated files of the command line loaded.
#pragma once

#include "app/main_frame.h"

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

class ScreenshotFrame {
public:
    ScreenshotFrame()
        : m_frame(FrameOptions{programFolder(m_root), m_root.filePath(QStringLiteral("layout.ini"))}) {}

    // False when the window could not be made.
    bool open(const char* original, const char* translated) {
        if (!m_frame.OnCreate())
            return false;
        m_frame.translateToCombo()->setCurrentText(QStringLiteral("French"));
        m_frame.loadFromCommandLine({QString::fromLocal8Bit(original), QString::fromLocal8Bit(translated)});
        return true;
    }
    CMainFrame& frame() { return m_frame; }

private:
    static QString programFolder(const QTemporaryDir& root) {
        QDir(root.path()).mkpath(QStringLiteral("bin"));
        return root.filePath(QStringLiteral("bin")) + u'/';
    }

    QTemporaryDir m_root;
    CMainFrame m_frame;
};
