// Runs translation jobs for the main frame: owns the job, shows the progress dialog, asks the user
// for proxy credentials, and hands batches, messages and the job's start and end to the frame.
#pragma once

#include "support/user_message.h"
#include "translate/translate_job.h"

#include <QObject>
#include <functional>

class QDialog;
class QWidget;

struct TranslationHooks {
    // Runs a dialog modally (the frame's seam); the progress and credentials dialogs go through it.
    std::function<int(QDialog&)> runModal;
    // Shows a failure ("ERROR!" caption); the earlier batches keep their translations.
    std::function<void(const UserMessage&)> showMessage;
    // A job begins: the frame opens the one undo step of the job.
    std::function<void()> jobStarted;
    // One batch, on the UI thread: pieces[k] is the translation of row rows[k].
    std::function<void(const QList<int>& rows, const QStringList& pieces)> applyBatch;
    // The job is over (done, failed or cancelled): the frame closes the undo step and rebuilds
    // "Mapping Text" from every row.
    std::function<void()> jobFinished;
    // Optional: asks for the proxy's user name and password; by default a small dialog is run
    // through runModal. nullopt means the user cancelled, which ends the job.
    ProxyCredentialsAsker askProxyCredentials;
    // Optional: asks before lines go unencrypted to a host off this computer; by default a
    // question box is run through runModal. false sends nothing.
    PlainHttpConfirmer confirmPlainHttp;
};

class TranslationRunner : public QObject {
    Q_OBJECT
public:
    // Without a factory the job sends through libcurl, to the engine of the user's settings.
    TranslationRunner(TranslationHooks hooks, QWidget* dialogOwner, TransportFactory transports = {},
                      JobConfig config = JobConfig::fromEnvironment());

    // Starts the job and runs the progress dialog; returns when the dialog has closed. Returns
    // false, doing nothing, while an earlier job's worker has not returned.
    bool run(TranslateRequest request);

    TranslateJob& job() { return *m_job; }

private:
    std::optional<ProxyCredentials> askWithDialog(const ProxyQuestion& question);
    bool confirmWithDialog(const QString& host);

    TranslationHooks m_hooks;
    QWidget* m_owner;
    TranslateJob* m_job;
    bool m_engineFromSettings = false;
};
