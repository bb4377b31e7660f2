// How far a translation run is: a bar redrawn in place on a terminal, plain lines for a log or a
// pipe. Messages go between, never through the bar.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <optional>

bool stderrIsTerminal();

// "[#######.............] 120/400 entries, 1 of 3 files done, about 1:20 left"; `width` is the
// bar's inside.
QString progressLine(int done, int total, int filesDone, int files, std::optional<std::chrono::seconds> left,
                     int width = 24);

class TranslateProgress {
public:
    explicit TranslateProgress(bool terminal) : m_terminal(terminal) {}

    void begin(int entries, int files);
    // One batch of a file is in: on a terminal the bar moves, otherwise a line says so.
    void batchDone(const QString& file, int entries, int fileDone, int fileTotal);
    // A file is over; `undone` of its entries will not come (a failure, a stop).
    void fileDone(int undone);
    void message(const QString& text);
    void redraw();
    void end();

private:
    void clear();
    void print(const QString& text);

    bool m_terminal;
    bool m_drawn = false;
    int m_total = 0;
    int m_done = 0;
    int m_batches = 0;
    int m_files = 0;
    int m_filesDone = 0;
    QElapsedTimer m_clock;
};
