// Runs translation jobs for the main frame: owns the job, shows the progress dialog, asks the user
// for proxy credentials and before lines go unencrypted, shows a failure, and announces the job's
// start, its batches and its end.
#pragma once

#include "translate/translate_job.h"
#include "ui/dialog_seam.h"

#include <QObject>
#include <functional>

class QWidget;

class TranslationRunner : public QObject {
    Q_OBJECT
public:
    // Without a factory the job sends through libcurl, to the engine of the user's settings.
    // Every dialog goes through dialogs, with dialogOwner as its parent.
    TranslationRunner(DialogSeam& dialogs, QWidget* dialogOwner, TransportFactory transports = {},
                      JobConfig config = JobConfig::fromEnvironment());

    // Tells the desktop, when a job has ended while none of velmora's windows is active; by
    // default a desktop notification.
    using Notifier = std::function<void(const QString& summary, const QString& body)>;
    void setNotifier(Notifier notify) { m_notify = std::move(notify); }

    // The lines the translation memory knows exactly, as (job position, translation); asked on the
    // UI thread when a job starts. Those lines are filled from it and never sent.
    using MemoryLookup = std::function<QList<std::pair<int, QString>>(const QStringList& originals)>;
    void setMemoryLookup(MemoryLookup lookup) { m_lookup = std::move(lookup); }

    // Fills what the memory knows, starts the job over the rest and runs the progress dialog;
    // returns when the dialog has closed. When the memory knows every line, no job runs and no
    // dialog opens, but the frame still hears of a start, one batch and an end. Returns false,
    // doing nothing, while an earlier job's worker has not returned.
    bool run(TranslateRequest request);

    // Of the last job: the lines filled from the memory and those the engine translated.
    int linesFromMemory() const { return m_fromMemory; }
    int linesTranslated() const { return m_jobRan ? m_job->linesDone() : 0; }

    TranslateJob& job() { return *m_job; }

signals:
    // A job begins: the frame opens the one undo step of the job.
    void jobStarted();
    // One batch, on the UI thread: pieces[k] is the translation of row rows[k].
    void batchTranslated(const QList<int>& rows, const QStringList& pieces);
    // Rows of a batch just written whose tags came back out of place.
    void rowsNeedReview(const QList<int>& rows);
    // The job is over (done, failed or cancelled), its failure shown if it had one; the earlier
    // batches keep their translations.
    void jobFinished();

private:
    std::optional<ProxyCredentials> askWithDialog(const ProxyQuestion& question);
    bool confirmWithDialog(const QString& host);

    DialogSeam& m_dialogs;
    QWidget* m_owner;
    TranslateJob* m_job;
    void tellDesktop(const JobEnd& end);

    bool m_engineFromSettings = false;
    Notifier m_notify;
    MemoryLookup m_lookup;
    int m_fromMemory = 0;
    bool m_jobRan = false;
};
