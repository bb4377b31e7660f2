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
    FrameOptions options;
    options.recoveryFolder = defaultRecoveryFolder();
    m_frame = new CMainFrame(options);
    if (!m_frame->OnCreate()) {
        delete m_frame;
        return false;
    }
    ReadyReport::install(m_frame, !files.isEmpty());
    m_frame->showMaximized();
    // Work that a crash would have lost comes first; the named files would load over it.
    if (!m_frame->offerRecovery())
        m_frame->loadFromCommandLine(files);
    else if (!files.isEmpty())
        m_frame->showStatus(
            QStringLiteral("The unsaved work was restored; the files named on the command line "
                           "were not loaded."),
            15000);
    return true;
}
