// Files worked on in parallel, each on its own: what one file reports is printed in the order the
// files were given, as soon as it and every file before it are done, so that the output of
// --jobs 4 reads as that of --jobs 1.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

struct FileReport {
    enum class Outcome { Done, Findings, Failed, Unreadable };
    Outcome outcome = Outcome::Done;
    QByteArray out; // for standard output
    QString errors; // for standard error, each line complete
};

// The number of workers for a --jobs value (0: the cores of this computer), never more than files.
int workerCount(int jobs, int files);

// Runs work(i) for every i below count on workerCount(jobs, count) threads, and hands each report
// to `report` on the calling thread, in index order.
void runFileJobs(int count, int jobs, const std::function<FileReport(int index)>& work,
                 const std::function<void(int index, const FileReport& report)>& report);

// The exit status of a run: 2 when a file could not be read by a command for which that is an
// error of its own (check), 1 when any file failed or had findings, else 0.
int exitStatusOf(const QList<FileReport::Outcome>& outcomes);
