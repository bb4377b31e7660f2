// The translation run's progress on standard error.
#include "cli/translate_progress.h"

#include "translate/translate_job.h"

#include <cstdio>
#include <unistd.h>

bool stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

QString progressLine(int done, int total, int filesDone, int files, std::optional<std::chrono::seconds> left,
                     int width) {
    const int filled = total > 0 ? int(qint64(std::min(done, total)) * width / total) : width;
    QString line = u'[' + QString(filled, u'#') + QString(width - filled, u'.') + u']';
    line +=
        QStringLiteral(" %1/%2 entries, %3 of %4 files done").arg(done).arg(total).arg(filesDone).arg(files);
    if (left) {
        const qint64 s = left->count();
        line += s >= 3600 ? QStringLiteral(", about %1:%2:%3 left")
                                .arg(s / 3600)
                                .arg(s / 60 % 60, 2, 10, QChar(u'0'))
                                .arg(s % 60, 2, 10, QChar(u'0'))
                          : QStringLiteral(", about %1:%2 left").arg(s / 60).arg(s % 60, 2, 10, QChar(u'0'));
    }
    return line;
}

void TranslateProgress::print(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void TranslateProgress::clear() {
    if (m_terminal && m_drawn)
        print(QStringLiteral("\r\x1b[K"));
    m_drawn = false;
}

void TranslateProgress::begin(int entries, int files) {
    m_total = entries;
    m_files = files;
    m_clock.start();
    redraw();
}

void TranslateProgress::batchDone(const QString& file, int entries, int fileDone, int fileTotal) {
    m_done += entries;
    ++m_batches;
    if (m_terminal)
        redraw();
    else
        print(QStringLiteral("%1: %2 of %3 entries\n").arg(file).arg(fileDone).arg(fileTotal));
}

void TranslateProgress::fileDone(int undone) {
    m_total -= undone;
    ++m_filesDone;
    if (m_terminal)
        redraw();
}

void TranslateProgress::message(const QString& text) {
    clear();
    print(text);
    redraw();
}

void TranslateProgress::redraw() {
    if (!m_terminal || m_filesDone >= m_files)
        return;
    const auto left =
        estimateTimeLeft(std::chrono::milliseconds(m_clock.elapsed()), m_done, m_total, m_batches);
    print(u'\r' + progressLine(m_done, m_total, m_filesDone, m_files, left) + QStringLiteral("\x1b[K"));
    m_drawn = true;
}

void TranslateProgress::end() {
    clear();
    m_files = 0;
}
