// The worker threads of a run and the ordered hand-over of their reports.
#include "cli/file_jobs.h"

#include "cli/command_line.h"

#include <QList>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

int workerCount(int jobs, int files) {
    const int wanted = jobs > 0 ? jobs : std::max(1, QThread::idealThreadCount());
    return std::max(1, std::min(wanted, files));
}

void runFileJobs(int count, int jobs, const std::function<FileReport(int index)>& work,
                 const std::function<void(int index, const FileReport& report)>& report) {
    if (count <= 0)
        return;
    std::vector<std::optional<FileReport>> reports(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
            FileReport done = work(i);
            {
                std::lock_guard lock(mutex);
                reports[std::size_t(i)] = std::move(done);
            }
            ready.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    const int n = workerCount(jobs, count);
    for (int k = 0; k < n; ++k)
        workers.emplace_back(worker);
    for (int i = 0; i < count; ++i) {
        FileReport taken;
        {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return reports[std::size_t(i)].has_value(); });
            taken = std::move(*reports[std::size_t(i)]);
            reports[std::size_t(i)].reset();
        }
        report(i, taken);
    }
}

int exitStatusOf(const QList<FileReport::Outcome>& outcomes) {
    int status = kExitOk;
    for (FileReport::Outcome o : outcomes) {
        if (o == FileReport::Outcome::Unreadable)
            return kExitUsage;
        if (o != FileReport::Outcome::Done)
            status = kExitFailed;
    }
    return status;
}
