// Developer hooks for timing and screenshots, off unless their environment variables are set:
//   VELMORA_REPORT_READY=1   print "velmora ready <ms>" once the grid has been painted with the
//                            loaded rows (or empty, when no file was named);
//   VELMORA_START_TAB=<n>    select ribbon tab n once the frame shows;
//   VELMORA_SCREENSHOT=<png> once ready, save the screen to the file and quit;
//   VELMORA_START_COMMAND=<label>  once ready, run the command of that label ("Translate All") as
//                            its button would;
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
