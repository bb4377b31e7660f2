// Start-up of velmora.
#include "app/orvane_app.h"

#include "app/main_frame.h"
#include "app/ready_report.h"

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
    m_frame = new CMainFrame;
    if (!m_frame->OnCreate()) {
        delete m_frame;
        return false;
    }
    QStringList files = arguments().mid(1);
    ReadyReport::install(m_frame, !files.isEmpty());
    m_frame->showMaximized();
    m_frame->loadFromCommandLine(files);
    return true;
}
