// Start-up of velmora.
#include "app/orvane_app.h"

#include "app/main_frame.h"
#include "app/ready_report.h"

#include <QFileInfo>

COrvaneApp::COrvaneApp(int& argc, char** argv) : QApplication(argc, argv) {
    ReadyReport::markProcessStart();
    setApplicationName(QStringLiteral("velmora"));
    setOrganizationName(QStringLiteral("velmora"));
    setApplicationDisplayName(QStringLiteral("velmora"));
}

COrvaneApp::~COrvaneApp() {
    delete m_frame;
}

bool COrvaneApp::InitInstance() {
    // Named files are relative to where the user started us; the frame moves the working
    // directory to the program folder.
    QStringList files;
    for (const QString& arg : arguments().mid(1))
        files.append(QFileInfo(arg).absoluteFilePath());
    m_frame = new CMainFrame;
    if (!m_frame->OnCreate()) {
        delete m_frame;
        return false;
    }
    ReadyReport::install(m_frame, !files.isEmpty());
    m_frame->showMaximized();
    m_frame->loadFromCommandLine(files);
    return true;
}
