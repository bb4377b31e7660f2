// The glue between the main frame and the translation job.
#include "app/translation_runner.h"

#include "app/progress_dialog.h"
#include "app/translation_keys.h"
#include "translate/engine_settings.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

TranslationRunner::TranslationRunner(DialogSeam& dialogs, QWidget* dialogOwner, TransportFactory transports,
                                     JobConfig config)
    : m_dialogs(dialogs), m_owner(dialogOwner) {
    if (!transports) {
        transports = [service = TransportConfig::fromEnvironment()] { return makeCurlTransport(service); };
        m_engineFromSettings = true;
    }
    m_job = new TranslateJob(std::move(transports), config, this);
    m_job->setProxyCredentialsAsker([this](const ProxyQuestion& q) { return askWithDialog(q); });
    m_job->setPlainHttpConfirmer([this](const QString& host) { return confirmWithDialog(host); });
    connect(m_job, &TranslateJob::started, this, &TranslationRunner::jobStarted);
    connect(m_job, &TranslateJob::batchTranslated, this, &TranslationRunner::batchTranslated);
    connect(m_job, &TranslateJob::rowsNeedReview, this, &TranslationRunner::rowsNeedReview);
    connect(m_job, &TranslateJob::finished, this, [this](const JobEnd& end) {
        tellDesktop(end);
        if (end.message)
            m_dialogs.showMessage(m_owner, *end.message);
        emit jobFinished();
    });
}

bool TranslationRunner::run(TranslateRequest request) {
    // Asked first, so that a job refused while the last worker runs fills nothing either.
    if (m_job->translating() || m_job->workerAlive())
        return false;
    QList<int> filledRows;
    QStringList filled;
    if (m_lookup) {
        QHash<int, QString> known;
        for (auto& [position, target] : m_lookup(request.lines))
            known.insert(position, std::move(target));
        TranslateRequest rest{request.langPair, {}, {}, request.formatMode};
        for (qsizetype position = 0; position < request.lines.size(); ++position) {
            if (const auto found = known.constFind(int(position)); found != known.cend()) {
                filledRows.append(request.rows[position]);
                filled.append(*found);
            } else {
                rest.lines.append(request.lines[position]);
                rest.rows.append(request.rows[position]);
            }
        }
        request = std::move(rest);
    }
    m_fromMemory = int(filledRows.size());
    m_jobRan = false;

    // Nothing left for an engine: no request goes out and nothing waits, yet the frame takes the
    // fills as one step, as it takes a job's.
    if (!filledRows.isEmpty() && request.lines.isEmpty()) {
        emit jobStarted();
        emit batchTranslated(filledRows, filled);
        emit jobFinished();
        return true;
    }

    const int total = int(request.lines.size());
    // The engine the user chose, read at each job so that a change holds from the next one on;
    // an address in VELMORA_TRANSLATE_URL points the web endpoint elsewhere and wins.
    if (m_engineFromSettings)
        m_job->setService(
            qEnvironmentVariableIsSet(kServiceUrlVariable) ? nullptr : makeService(chosenEngineWithKey()));
    if (!m_job->start(std::move(request)))
        return false;
    m_jobRan = true;
    // The job's batches reach the UI thread through the event loop, which the dialog runs only
    // below: the fills are the job's first batch, inside its undo step.
    if (!filledRows.isEmpty())
        emit batchTranslated(filledRows, filled);
    CProgress dialog(*m_job, total, m_owner, m_fromMemory);
    m_dialogs.runModal(dialog);
    return true;
}

void TranslationRunner::tellDesktop(const JobEnd& end) {
    // Whoever watches the window sees the end there; a cancel was the user's own doing.
    if (end.outcome == JobOutcome::Cancelled || QApplication::activeWindow())
        return;
    QString body = QStringLiteral("velmora has translated every line.");
    if (end.outcome != JobOutcome::Completed)
        body = QStringLiteral("velmora stopped: %1").arg(end.message ? end.message->text : QString());
    else if (m_fromMemory > 0)
        body = QStringLiteral("velmora has translated every line, %1 of them from the memory.")
                   .arg(m_fromMemory);
    const QString summary = end.outcome == JobOutcome::Completed ? QStringLiteral("Translation done")
                                                                 : QStringLiteral("Translation failed");
    if (m_notify) {
        m_notify(summary, body);
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    notify << QStringLiteral("velmora") << uint(0) << QStringLiteral("velmora") << summary << body
           << QStringList() << QVariantMap() << int(-1);
    // Without a session bus there is nobody to tell, and asking for one could start a bus of its
    // own; with one, the call must not wait for a notification server.
    if (!sessionBusAvailable())
        return;
    QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
}

std::optional<ProxyCredentials> TranslationRunner::askWithDialog(const ProxyQuestion& question) {
    const QString& proxyName = question.proxyName;
    QDialog dialog(m_owner);
    dialog.setObjectName(QStringLiteral("ProxyCredentials"));
    dialog.setWindowTitle(QStringLiteral("Proxy Authentication"));
    auto* user = new QLineEdit(&dialog);
    user->setObjectName(QStringLiteral("user"));
    auto* password = new QLineEdit(&dialog);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    const QString who =
        proxyName.isEmpty() ? QStringLiteral("The proxy") : QStringLiteral("The proxy %1").arg(proxyName);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("User name:"), user);
    form->addRow(QStringLiteral("Password:"), password);
    auto* layout = new QVBoxLayout(&dialog);
    auto* asks = new QLabel(who + QStringLiteral(" asks for a user name and password."), &dialog);
    asks->setTextFormat(Qt::PlainText);
    layout->addWidget(asks);
    if (question.passwordInClear) {
        auto* warning =
            new QLabel(QStringLiteral("This proxy takes the password only unencrypted: anyone who "
                                      "can see the network traffic can read it."),
                       &dialog);
        warning->setObjectName(QStringLiteral("inClearWarning"));
        warning->setTextFormat(Qt::PlainText);
        warning->setWordWrap(true);
        layout->addWidget(warning);
    }
    layout->addLayout(form);
    layout->addWidget(buttons);

    if (m_dialogs.runModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return ProxyCredentials{user->text(), password->text()};
}

bool TranslationRunner::confirmWithDialog(const QString& host) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Unencrypted connection"),
                    QStringLiteral("The translation service %1 is reached over plain http: the subtitle "
                                   "lines and the answers cross the network unencrypted, readable by anyone "
                                   "on the way.\n\nSend them to %1 anyway?")
                        .arg(host),
                    QMessageBox::Yes | QMessageBox::No, m_owner);
    box.setObjectName(QStringLiteral("PlainHttpQuestion"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return m_dialogs.runModal(box) == QMessageBox::Yes;
}
