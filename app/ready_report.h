// Developer hooks for timing and screenshots, off unless their environment variables are set:
//   VELMORA_REPORT_READY=1   print "velmora ready <ms>" once the grid has been painted with the
//                            loaded rows (or empty, when no file was named);
//   VELMORA_START_TAB=<n>    select ribbon tab n once the frame shows;
//   VELMORA_SCREENSHOT=<png> once ready, save a picture of velmora's window into that new file
//                            (never over an existing file or through a link) and quit;
//   VELMORA_START_COMMAND=<label>  once ready, run the command of that label ("Translate All") as
//                            its button would; only in a build configured with VELMORA_TEST_HOOKS;
//   VELMORA_CHECK_PLUGINS=1  once ready, load the movie pane's player plugin from where the pane
//                            would and start libVLC; print "velmora plugin <path>" or
//                            "velmora plugin failure: <reason>".
#pragma once

#include <QObject>

class CMainFrame;

class ReadyReport : public QObject {
    Q_OBJECT
public:
    // Installs the hooks that the environment asks for; returns nullptr when none is asked for.
    static ReadyReport* install(CMainFrame* frame, bool expectRows);
    // The moment the reported times count from; called as the process starts.
    static void markProcessStart();
    // Whether this build runs VELMORA_START_COMMAND: a command run without a click has no place
    // in the program users install.
    static bool runsStartCommands();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReadyReport(CMainFrame* frame, bool expectRows);
    void ready();

    CMainFrame* m_frame;
    bool m_expectRows;
    bool m_done = false;
    bool m_print = false;
    bool m_checkPlugins = false;
    QString m_screenshot;
    QString m_command;
};
