// velmora's application object: creates and shows the main frame, then loads the files named on
// the command line.
#pragma once

#include <QApplication>
#include <QPointer>

#include "app/main_frame.h"

class COrvaneApp : public QApplication {
    Q_OBJECT
public:
    COrvaneApp(int& argc, char** argv);
    ~COrvaneApp() override;

    // Creates, shows and fills the frame; false when the frame could not be made.
    bool InitInstance();
    CMainFrame* frame() const { return m_frame; }

private:
    QPointer<CMainFrame> m_frame;
};
