// translate: the program's translation jobs, one per file, a few files at once; their workers hand
// each batch to this thread, which keeps the documents and writes the files.
#include "cli/cli_memory.h"
#include "cli/commands.h"
#include "cli/output_naming.h"
#include "cli/subtitle_files.h"
#include "cli/translate_progress.h"
#include "subtitle/format_conversion.h"
#include "translate/engine_settings.h"
#include "translate/language_table.h"
#include "translate/translate_job.h"
#include "translate/translate_request.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// The self-pipe that turns Ctrl+C into an event of this thread.
int g_interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &byte, 1);
}

struct TranslateSettings {
    QString from; // language table codes
    QString to;
    EngineSettings engine;
    TransportConfig transport;
    bool untranslatedOnly = false;
    bool allowHttp = false;
    bool memory = true;
    QString memoryFile; // empty: velmora's own
    bool replace = false;
};

std::optional<QString> languageCodeNamed(const QString& given, bool autoAllowed) {
    const QString name = given.trimmed();
    for (const LanguageEntry& e : languageTable()) {
        const QString code = QString::fromLatin1(e.serviceCode);
        if (name.compare(code, Qt::CaseInsensitive) == 0 ||
            name.compare(QString::fromUtf16(e.displayName), Qt::CaseInsensitive) == 0) {
            if (code == u"auto" && !autoAllowed)
                return std::nullopt;
            return code;
        }
    }
    return std::nullopt;
}

// The user's settings for an engine, as velmora keeps them; the key from the environment.
EngineSettings engineNamed(EngineKind kind) {
    EngineSettings engine;
    engine.kind = kind;
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("velmora"),
                       QStringLiteral("translation"));
    const QString group = QStringLiteral("translation/") + engineSettingName(kind) + u'/';
    engine.address = serviceUrlFromText(settings.value(group + QStringLiteral("address")).toString());
    engine.model = settings.value(group + QStringLiteral("model")).toString();
    const QByteArray variable = "VELMORA_" + engineSettingName(kind).toUpper().toLatin1() + "_KEY";
    engine.key = qEnvironmentVariable(variable.constData()).trimmed();
    return engine;
}

std::variant<TranslateSettings, QString> translateSettings(const ParsedCommand& command) {
    TranslateSettings s;
    if (!command.hasValue("--to"))
        return QStringLiteral("--to LANG is needed");
    const std::optional<QString> to = languageCodeNamed(command.value("--to"), false);
    if (!to)
        return QStringLiteral(
                   "'%1' is no language to translate into (a code such as fr, or a name such as French)")
            .arg(command.value("--to"));
    s.to = *to;
    const QString fromText = command.hasValue("--from") ? command.value("--from") : QStringLiteral("auto");
    const std::optional<QString> from = languageCodeNamed(fromText, true);
    if (!from)
        return QStringLiteral("'%1' is no language (a code such as en, a name such as English, or auto)")
            .arg(fromText);
    s.from = *from;
    if (command.hasValue("--engine")) {
        const std::optional<EngineKind> kind = engineKindFromName(command.value("--engine"));
        if (!kind)
            return QStringLiteral(
                       "'%1' is no engine; the engines are google, apertium, libretranslate, openai, deepl")
                .arg(command.value("--engine"));
        s.engine = engineNamed(*kind);
    } else {
        s.engine = userEngineSettings();
    }
    s.transport = TransportConfig::fromEnvironment();
    if (command.hasValue("--address")) {
        const QUrl address = serviceUrlFromText(command.value("--address"));
        if (!address.isValid() || address.host().isEmpty())
            return QStringLiteral("'%1' is no address").arg(command.value("--address"));
        s.engine.address = address;
        s.transport.serviceUrl = address;
    }
    if (command.hasValue("--model"))
        s.engine.model = command.value("--model");
    if (command.hasValue("--memory")) {
        const QString memory = command.value("--memory");
        if (memory != u"on" && memory != u"off")
            return QStringLiteral("--memory takes on or off, not '%1'").arg(memory);
        s.memory = memory == u"on";
    }
    s.memoryFile = command.value("--memory-file");
    s.untranslatedOnly = command.has("--untranslated-only");
    s.allowHttp = command.has("--allow-http");
    s.replace = command.has("--force");
    return s;
}

QString shellQuoted(const QString& word) {
    static const QString kPlain =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./=:+,@%");
    if (!word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) { return kPlain.contains(c); }))
        return word;
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// The command that finishes a stopped file: the same options, the entries that are left.
QString resumeCommand(const ParsedCommand& command, const QString& input) {
    QStringList words{QStringLiteral("velmora-cli"), QStringLiteral("translate")};
    for (const char* name :
         {"--from", "--to", "--engine", "--address", "--model", "--memory", "--memory-file", "--output"})
        if (command.hasValue(name))
            words << QLatin1StringView(name) << command.value(name);
    if (command.has("--allow-http"))
        words << QStringLiteral("--allow-http");
    words << QStringLiteral("--untranslated-only") << QStringLiteral("--") << input;
    QStringList quoted;
    for (const QString& w : words)
        quoted << shellQuoted(w);
    return quoted.join(u' ');
}

struct FileTask {
    QString input;
    OutputPlan plan;
    std::unique_ptr<LoadedFile> loaded;
    QList<int> rows; // those the job translates
    int translated = 0;
    int fromMemory = 0;
    // What the engine translated, for the memory.
    QStringList engineOriginals;
    QStringList enginePieces;
    bool outputExisted = false;
    enum class State { Waiting, Running, Done } state = State::Waiting;
    std::unique_ptr<TranslateJob> job;
    QList<int> review;
    std::optional<QString> failure;
};

class TranslateRun : public QObject {
public:
    TranslateRun(const ParsedCommand& command, TranslateSettings settings)
        : m_command(command), m_settings(std::move(settings)), m_progress(stderrIsTerminal()) {}

    int run();

private:
    void prepare(FileTask& task, const QList<FileIdentity>& inputs);
    void startNext();
    void start(FileTask& task);
    void onBatch(FileTask& task, const QList<int>& rows, const QStringList& pieces);
    void onFinished(FileTask& task, const JobEnd& end);
    void save(FileTask& task);
    void remember(FileTask& task);
    void interrupted();
    void showProgress();
    int running() const;

    const ParsedCommand& m_command;
    TranslateSettings m_settings;
    std::vector<std::unique_ptr<FileTask>> m_tasks;
    QList<FileIdentity> m_inputs;
    int m_workers = 1;
    int m_interrupts = 0;
    bool m_failed = false;
    QString m_refusedHost;
    CliMemory m_memory;
    TranslateProgress m_progress;
    QEventLoop m_loop;
};

void TranslateRun::prepare(FileTask& task, const QList<FileIdentity>& inputs) {
    auto loadedOr = readSubtitle(task.input);
    if (auto* f = std::get_if<Failure>(&loadedOr)) {
        task.failure = f->message;
        return;
    }
    task.loaded = std::make_unique<LoadedFile>(std::move(std::get<LoadedFile>(loadedOr)));
    SubtitleSession& session = task.loaded->session;
    const std::optional<FileIdentity> outputId =
        task.plan.toStandardOutput ? std::nullopt : fileIdentity(task.plan.path);
    if (outputId && inputs.contains(*outputId)) {
        task.failure = QStringLiteral("%1 is an input file, which is never written over").arg(task.plan.path);
        return;
    }
    task.outputExisted = outputId.has_value();
    if (task.outputExisted && m_settings.untranslatedOnly) {
        const ReadResult read = LoadSubtitleFile(session, QFileInfo(task.plan.path).absoluteFilePath(),
                                                 task.loaded->format, Side::Translated);
        if (!read.completed) {
            task.failure = QStringLiteral("%1 cannot be read to resume it: %2")
                               .arg(task.plan.path, read.message ? read.message->text : QString());
            return;
        }
    } else if (task.outputExisted && !m_settings.replace) {
        task.failure =
            QStringLiteral("%1 exists already (--untranslated-only finishes it, --force replaces it)")
                .arg(task.plan.path);
        return;
    }
    QList<int> rows = m_settings.untranslatedOnly ? untranslatedRows(session.rows()) : QList<int>();
    if (!m_settings.untranslatedOnly)
        for (int r = 0; r < session.rowCount(); ++r)
            rows.append(r);
    // MicroDVD's frame rate entry is a number, not a line to translate.
    if (documentFrameRate(session.document()))
        rows.removeAll(0);
    // What the memory knows is taken from it and not sent.
    if (m_memory.isOpen()) {
        QStringList originals;
        for (int row : rows)
            originals << session.rows().at(row).original;
        QString problem;
        QList<int> known;
        QStringList targets;
        for (const auto& [position, target] :
             m_memory.exactMatches(originals, m_settings.from, m_settings.to, &problem)) {
            known << rows[position];
            targets << target;
        }
        if (!problem.isEmpty())
            cli::printError(QStringLiteral("the translation memory: %1").arg(problem));
        session.setTranslatedTexts(known, targets);
        for (int row : known)
            rows.removeOne(row);
        task.fromMemory = int(known.size());
    }
    task.rows = rows;
}

int TranslateRun::running() const {
    return int(std::count_if(m_tasks.begin(), m_tasks.end(),
                             [](const auto& t) { return t->state == FileTask::State::Running; }));
}

void TranslateRun::start(FileTask& task) {
    task.state = FileTask::State::Running;
    if (task.rows.isEmpty()) {
        onFinished(task, JobEnd{});
        return;
    }
    const TransportConfig transport = m_settings.transport;
    task.job = std::make_unique<TranslateJob>([transport] { return makeCurlTransport(transport); },
                                              JobConfig::fromEnvironment());
    TranslateJob& job = *task.job;
    job.setService(makeService(m_settings.engine));
    job.setPlainHttpConfirmer([this](const QString& host) {
        if (!m_settings.allowHttp)
            m_refusedHost = host;
        return m_settings.allowHttp;
    });
    // Nobody can be asked for a proxy's password; curl takes it from the proxy's address.
    job.setProxyCredentialsAsker([](const ProxyQuestion&) { return std::nullopt; });
    QObject::connect(
        &job, &TranslateJob::batchTranslated, this,
        [this, &task](const QList<int>& rows, const QStringList& pieces) { onBatch(task, rows, pieces); });
    QObject::connect(&job, &TranslateJob::rowsNeedReview, this,
                     [&task](const QList<int>& rows) { task.review += rows; });
    QObject::connect(&job, &TranslateJob::finished, this,
                     [this, &task](const JobEnd& end) { onFinished(task, end); });
    const TranslateRequest request = requestForRows(
        task.loaded->session.rows(), task.rows,
        (m_settings.from + QStringLiteral("&tl=") + m_settings.to).toLatin1(), task.loaded->format);
    job.start(request);
}

void TranslateRun::startNext() {
    for (auto& task : m_tasks) {
        if (m_interrupts > 0 || running() >= m_workers)
            break;
        if (task->state == FileTask::State::Waiting)
            start(*task);
    }
    if (running() == 0)
        m_loop.quit();
}

void TranslateRun::onBatch(FileTask& task, const QList<int>& rows, const QStringList& pieces) {
    task.loaded->session.setTranslatedTexts(rows, pieces);
    task.translated += int(rows.size());
    for (qsizetype k = 0; k < rows.size() && k < pieces.size(); ++k) {
        task.engineOriginals << task.loaded->session.rows().at(rows[k]).original;
        task.enginePieces << pieces[k];
    }
    m_progress.batchDone(displayName(task.input), int(rows.size()), task.translated, int(task.rows.size()));
    // After Ctrl+C the batch that was under way is kept, and the job ends here: once what the job
    // says of this batch (the rows whose tags to look at) has come as well. The tasks live as long
    // as this run, and the timer dies with it.
    if (m_interrupts > 0)
        QTimer::singleShot(0, this, [&task] {
            if (task.job)
                task.job->cancel();
        });
}

void TranslateRun::onFinished(FileTask& task, const JobEnd& end) {
    if (task.state == FileTask::State::Done)
        return;
    task.state = FileTask::State::Done;
    if (end.outcome == JobOutcome::Failed)
        task.failure = end.message ? end.message->text : QStringLiteral("the translation failed");
    else if (end.outcome == JobOutcome::Cancelled && m_interrupts == 0)
        task.failure =
            m_refusedHost.isEmpty()
                ? QStringLiteral("the translation was refused (a proxy asked for a password: put it in "
                                 "the proxy's address)")
                : QStringLiteral("%1 is reached over plain http, which would send the lines "
                                 "unencrypted; --allow-http sends them anyway")
                      .arg(m_refusedHost);
    m_progress.fileDone(int(task.rows.size()) - task.translated);
    save(task);
    // Queued, so that the job that emitted this is not deleted under its own feet.
    QTimer::singleShot(0, this, [this] { startNext(); });
}

void TranslateRun::remember(FileTask& task) {
    // Lines whose tags came back out of place wait for a person before they are kept.
    QStringList originals, pieces;
    QSet<QString> doubtful;
    for (int row : task.review)
        doubtful.insert(task.loaded->session.rows().at(row).original);
    for (qsizetype k = 0; k < task.engineOriginals.size(); ++k)
        if (!doubtful.contains(task.engineOriginals[k])) {
            originals << task.engineOriginals[k];
            pieces << task.enginePieces[k];
        }
    const QString engine = task.job ? task.job->serviceName() : QString();
    const QString origin =
        isStandardStream(task.input) ? QString() : QFileInfo(task.input).absoluteFilePath();
    if (const std::optional<QString> problem =
            m_memory.add(originals, pieces, m_settings.from, m_settings.to, origin, engine))
        m_progress.message(QStringLiteral("velmora-cli: the translation memory: %1\n").arg(*problem));
}

void TranslateRun::save(FileTask& task) {
    if (task.translated > 0)
        remember(task);
    const bool complete = task.translated == task.rows.size();
    if (task.translated == 0 && !task.failure && !task.rows.isEmpty())
        task.failure = QStringLiteral("stopped before any entry was translated; nothing was written");
    if (task.translated == 0 && !task.rows.isEmpty()) {
        m_progress.message(
            QStringLiteral("velmora-cli: %1: %2\n").arg(displayName(task.input), *task.failure));
        m_failed = true;
        return;
    }
    // Entries without a translation keep their original text, which a later --untranslated-only
    // run recognises as untranslated.
    SubtitleDocument document = task.loaded->session.document();
    for (qsizetype i = 0; i < document.translatedTexts.size() && i < document.originalTexts.size(); ++i)
        if (document.translatedTexts[i].isEmpty() || document.translatedTexts[i] == kUntranslated)
            document.translatedTexts[i] = document.originalTexts[i];
    auto bytes = renderDocument(document, SaveKind::TranslatedSubtitle);
    std::optional<Failure> written;
    if (auto* f = std::get_if<Failure>(&bytes))
        written = *f;
    else if (task.plan.toStandardOutput)
        written = writeStandardOutput(std::get<QByteArray>(bytes));
    else
        written = writeOutputFile(task.plan.path, std::get<QByteArray>(bytes),
                                  m_settings.replace || (m_settings.untranslatedOnly && task.outputExisted),
                                  m_inputs);
    const QString name = displayName(task.input);
    if (written) {
        m_progress.message(QStringLiteral("velmora-cli: %1: %2\n").arg(name, written->message));
        m_failed = true;
        return;
    }
    const QString where = task.plan.toStandardOutput ? QStringLiteral("standard output") : task.plan.path;
    if (!task.review.isEmpty()) {
        QStringList numbers;
        for (int row : task.review)
            numbers << QString::number(row + 1);
        m_progress.message(QStringLiteral("velmora-cli: %1: the tags of entries %2 came back out of place; "
                                          "look at them in %3\n")
                               .arg(name, numbers.join(QStringLiteral(", ")), where));
    }
    if (task.fromMemory > 0)
        m_progress.message(
            QStringLiteral("%1: %2 entries from the translation memory\n").arg(name).arg(task.fromMemory));
    if (complete) {
        m_progress.message(QStringLiteral("%1: %2 entries translated into %3\n")
                               .arg(name)
                               .arg(task.translated + task.fromMemory)
                               .arg(where));
        return;
    }
    m_failed = m_failed || task.failure.has_value();
    QString why = task.failure ? QStringLiteral("velmora-cli: %1: %2\n").arg(name, *task.failure) : QString();
    m_progress.message(why +
                       QStringLiteral("%1: %2 of %3 entries translated into %4; to finish it, run\n  %5\n")
                           .arg(name)
                           .arg(task.translated)
                           .arg(task.rows.size())
                           .arg(where, resumeCommand(m_command, task.input)));
}

void TranslateRun::interrupted() {
    char drain[16];
    while (::read(g_interruptPipe[0], drain, sizeof drain) > 0) {
    }
    ++m_interrupts;
    if (m_interrupts == 1) {
        m_progress.message(
            QStringLiteral("velmora-cli: stopping after the current batch (Ctrl+C again stops at once)\n"));
        return;
    }
    for (auto& task : m_tasks)
        if (task->state == FileTask::State::Running && task->job)
            task->job->cancel();
}

int TranslateRun::run() {
    QStringList besides;
    for (const QString& input : m_command.inputs) {
        const QString extension = inputExtension(input);
        besides << outputNameBeside(input, m_settings.to,
                                    extension.isEmpty() ? QStringLiteral("srt") : extension);
    }
    auto planned =
        planOutputs(m_command.inputs, besides, m_command.hasValue("--output"), m_command.value("--output"));
    if (auto* message = std::get_if<QString>(&planned))
        return cli::usageFailure(m_command.command, *message);
    const QList<OutputPlan> plans = std::get<QList<OutputPlan>>(planned);
    for (const QString& input : m_command.inputs)
        if (const std::optional<FileIdentity> id =
                isStandardStream(input) ? std::nullopt : fileIdentity(input))
            m_inputs.append(*id);
    if (m_settings.memory && m_settings.from == u"auto") {
        if (m_command.hasValue("--memory") || m_command.hasValue("--memory-file"))
            cli::printError(
                QStringLiteral("the translation memory needs the language translated from (--from); "
                               "translating without it"));
    } else if (m_settings.memory) {
        if (const std::optional<QString> problem = m_memory.open(m_settings.memoryFile))
            cli::printError(QStringLiteral("the translation memory: %1%2")
                                .arg(*problem, m_memory.isOpen()
                                                   ? QString()
                                                   : QStringLiteral("; translating without it")));
    }
    int total = 0;
    for (qsizetype i = 0; i < m_command.inputs.size(); ++i) {
        auto task = std::make_unique<FileTask>();
        task->input = m_command.inputs[i];
        task->plan = plans[i];
        if (!plans[i].conflict.isEmpty())
            task->failure = plans[i].conflict;
        else
            prepare(*task, m_inputs);
        if (task->failure) {
            cli::printError(QStringLiteral("%1: %2").arg(displayName(task->input), *task->failure));
            task->state = FileTask::State::Done;
            m_failed = true;
        }
        total += int(task->rows.size());
        m_tasks.push_back(std::move(task));
    }
    m_workers = workerCount(m_command.jobs, int(m_tasks.size()));

    if (::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return kExitFailed;
    QSocketNotifier notifier(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, this, [this] { interrupted(); });
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction previous {};
    ::sigaction(SIGINT, &action, &previous);

    const int toRun = int(std::count_if(m_tasks.begin(), m_tasks.end(),
                                        [](const auto& t) { return t->state == FileTask::State::Waiting; }));
    m_progress.begin(total, toRun);
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, this, [this] { m_progress.redraw(); });
    redraw.start(250);
    QTimer::singleShot(0, this, [this] { startNext(); });
    m_loop.exec();
    redraw.stop();
    m_progress.end();
    for (auto& task : m_tasks)
        task->job.reset(); // each waits for its worker

    ::sigaction(SIGINT, &previous, nullptr);
    ::close(g_interruptPipe[0]);
    ::close(g_interruptPipe[1]);
    g_interruptPipe[0] = g_interruptPipe[1] = -1;
    if (m_interrupts > 0) {
        for (auto& task : m_tasks)
            if (task->state == FileTask::State::Waiting)
                m_progress.message(QStringLiteral("%1: not started\n").arg(displayName(task->input)));
        return kExitStopped;
    }
    return m_failed ? kExitFailed : kExitOk;
}

} // namespace

int runTranslate(const ParsedCommand& command) {
    auto settingsOr = translateSettings(command);
    if (auto* message = std::get_if<QString>(&settingsOr))
        return cli::usageFailure(command.command, *message);
    TranslateRun run(command, std::get<TranslateSettings>(std::move(settingsOr)));
    return run.run();
}
