// The engines' settings page by page, with a test of each.
#include "app/translation_services_dialog.h"

#include "app/translation_keys.h"
#include "translate/openai_chat_service.h"
#include "ui/dialog_seam.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

using namespace std::chrono_literals;

// What each engine needs, in a sentence the user can act on.
QString aboutEngine(EngineKind kind) {
    switch (kind) {
    case EngineKind::GoogleWeb:
        return QStringLiteral("Google's free web endpoint: no settings, but it limits how often it may be "
                              "called and needs the internet.");
    case EngineKind::Apertium:
        return QStringLiteral("Rule-based translation on this computer, offline. Leave the address empty and "
                              "velmora starts apertium-apy itself with the installed language pairs.");
    case EngineKind::LibreTranslate:
        return QStringLiteral("A LibreTranslate server, your own (http://localhost:5000) or a provider's; "
                              "the key only where the server asks for one.");
    case EngineKind::OpenAiChat:
        return QStringLiteral(
            "A server that speaks the OpenAI chat API: Ollama (http://localhost:11434/v1), "
            "llama.cpp's server (http://localhost:8080/v1), vLLM, LM Studio or a provider.");
    case EngineKind::DeepL:
        return QStringLiteral("DeepL's API. A key ending in \":fx\" goes to the free plan's address; leave "
                              "the address empty unless you use another.");
    }
    return {};
}

QString defaultAddress(EngineKind kind) {
    switch (kind) {
    case EngineKind::Apertium:
        return QStringLiteral("velmora's own server on this computer");
    case EngineKind::LibreTranslate:
        return QStringLiteral("http://localhost:5000");
    case EngineKind::OpenAiChat:
        return QStringLiteral("http://localhost:11434/v1");
    case EngineKind::DeepL:
        return QStringLiteral("chosen from the key");
    case EngineKind::GoogleWeb:
        break;
    }
    return {};
}

QByteArray testPair(const QByteArray& ribbonPair) {
    // "Hello" is English; the target is the ribbon's, or Spanish where that is English too.
    const qsizetype at = ribbonPair.indexOf("&tl=");
    QByteArray target = at < 0 ? QByteArray() : ribbonPair.mid(at + 4);
    if (target.isEmpty() || target == "en")
        target = "es";
    return "en&tl=" + target;
}

} // namespace

TranslationServicesDialog::TranslationServicesDialog(DialogSeam& dialogs, QByteArray langPair,
                                                     QWidget* parent, TransportFactory transports)
    : QDialog(parent), m_dialogs(dialogs), m_langPair(testPair(langPair)),
      m_transports(std::move(transports)) {
    setObjectName(QStringLiteral("TranslationServices"));
    setWindowTitle(QStringLiteral("Translation Services"));
    if (!m_transports)
        m_transports = [] { return makeCurlTransport(TransportConfig::fromEnvironment()); };
    JobConfig config;
    config.pause = 0ms;
    config.firstRetryWait = 500ms;
    config.longestRetryWait = 2000ms;
    m_job = new TranslateJob(m_transports, config, this);
    m_job->setPlainHttpConfirmer([this](const QString& host) {
        return m_dialogs.askYesNo(
            this,
            {QStringLiteral("The translation service %1 is reached over plain http: the text crosses the "
                            "network unencrypted.\n\nSend it to %1 anyway?")
                 .arg(host),
             QStringLiteral("Unencrypted connection"), MessageIcon::Warning});
    });
    connect(m_job, &TranslateJob::batchTranslated, this,
            [this](const QList<int>&, const QStringList& pieces) {
                if (m_testTarget)
                    m_testTarget->setText(QStringLiteral("Answer: %1").arg(pieces.value(0)));
            });
    connect(m_job, &TranslateJob::finished, this, [this](const JobEnd& end) {
        if (m_testTarget && end.message)
            m_testTarget->setText(end.message->text);
        m_testTarget = nullptr;
        for (Page& page : m_pages)
            page.test->setEnabled(true);
        emit testEnded();
    });

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("engines"));
    m_list->setAccessibleName(QStringLiteral("Translation engines"));
    m_stack = new QStackedWidget(this);
    const std::unique_ptr<QSettings> settings = userTranslationSettings();
    for (EngineKind kind : engineKinds()) {
        m_pages.push_back(makePage(kind, *settings));
        m_list->addItem(engineDisplayName(kind));
        m_stack->addWidget(m_pages.back().widget);
    }
    m_list->setFixedWidth(m_list->sizeHintForColumn(0) + 24);
    connect(m_list, &QListWidget::currentRowChanged, m_stack, &QStackedWidget::setCurrentIndex);
    showEngine(readEngineSettings(*settings).kind);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        save();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* body = new QHBoxLayout;
    body->addWidget(m_list);
    body->addWidget(m_stack, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    resize(680, 360);
}

TranslationServicesDialog::Page TranslationServicesDialog::makePage(EngineKind kind, QSettings& settings) {
    Page page;
    page.kind = kind;
    const EngineSettings stored = readEngineSettings(settings, kind);
    page.widget = new QWidget(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    if (engineTakesAddress(kind)) {
        page.address = new QLineEdit(stored.address.toString(), page.widget);
        page.address->setObjectName(QStringLiteral("address"));
        page.address->setPlaceholderText(defaultAddress(kind));
        form->addRow(QStringLiteral("Address:"), page.address);
    }
    if (engineTakesKey(kind)) {
        page.key = new QLineEdit(page.widget);
        page.key->setObjectName(QStringLiteral("key"));
        page.key->setEchoMode(QLineEdit::Password);
        if (EngineKeys::fromEnvironment(kind)) {
            page.key->setEnabled(false);
            page.key->setPlaceholderText(
                QStringLiteral("set by %1").arg(QString::fromLatin1(engineKeyVariable(kind))));
        } else {
            page.storedKey = engineKeys().key(kind);
            page.key->setText(page.storedKey);
            page.key->setPlaceholderText(QStringLiteral("none"));
        }
        form->addRow(QStringLiteral("Key:"), page.key);
    }
    if (engineTakesModel(kind)) {
        page.model = new QComboBox(page.widget);
        page.model->setObjectName(QStringLiteral("model"));
        page.model->setAccessibleName(QStringLiteral("Model"));
        page.model->setEditable(true);
        page.model->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        page.model->setEditText(stored.model);
        page.listModels = new QPushButton(QStringLiteral("List Models"), page.widget);
        page.listModels->setObjectName(QStringLiteral("listModels"));
        connect(page.listModels, &QPushButton::clicked, this, &TranslationServicesDialog::listModels);
        auto* row = new QHBoxLayout;
        row->addWidget(page.model, 1);
        row->addWidget(page.listModels);
        form->addRow(QStringLiteral("Model:"), row);
    }
    page.test = new QPushButton(QStringLiteral("Test"), page.widget);
    page.test->setObjectName(QStringLiteral("test"));
    page.test->setToolTip(QStringLiteral("Translates \"Hello\" through this engine as set here"));
    connect(page.test, &QPushButton::clicked, this, &TranslationServicesDialog::runTest);
    page.result = new QLabel(page.widget);
    page.result->setObjectName(QStringLiteral("testResult"));
    page.result->setTextFormat(Qt::PlainText);
    page.result->setWordWrap(true);
    page.result->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* about = new QLabel(aboutEngine(kind), page.widget);
    about->setTextFormat(Qt::PlainText);
    about->setWordWrap(true);
    auto* title = new QLabel(engineDisplayName(kind), page.widget);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(page.test);
    testRow->addWidget(page.result, 1);
    auto* layout = new QVBoxLayout(page.widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(about);
    layout->addSpacing(6);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addLayout(testRow);
    layout->addStretch(1);
    return page;
}

void TranslationServicesDialog::showEngine(EngineKind kind) {
    m_list->setCurrentRow(int(engineKinds().indexOf(kind)));
}

const TranslationServicesDialog::Page& TranslationServicesDialog::current() const {
    return m_pages.at(std::max(0, m_stack->currentIndex()));
}

QLineEdit* TranslationServicesDialog::addressEdit() const {
    return current().address;
}
QLineEdit* TranslationServicesDialog::keyEdit() const {
    return current().key;
}
QComboBox* TranslationServicesDialog::modelCombo() const {
    return current().model;
}
QPushButton* TranslationServicesDialog::testButton() const {
    return current().test;
}
QPushButton* TranslationServicesDialog::listModelsButton() const {
    return current().listModels;
}
QLabel* TranslationServicesDialog::testResult() const {
    return current().result;
}

bool TranslationServicesDialog::busy() const {
    return m_job->translating() || m_models.busy();
}

EngineSettings TranslationServicesDialog::settingsOf(const Page& page) const {
    EngineSettings engine;
    engine.kind = page.kind;
    if (page.address)
        engine.address = serviceUrlFromText(page.address->text());
    if (page.model)
        engine.model = page.model->currentText().trimmed();
    engine.key = EngineKeys::fromEnvironment(page.kind)
                     ? qEnvironmentVariable(engineKeyVariable(page.kind).constData()).trimmed()
                     : (page.key ? page.key->text().trimmed() : QString());
    return engine;
}

void TranslationServicesDialog::runTest() {
    if (m_job->translating() || m_job->workerAlive())
        return;
    const Page& page = current();
    // The web endpoint goes to the transport's own address.
    m_job->setService(makeService(settingsOf(page)));
    m_testTarget = page.result;
    m_testTarget->setText(QStringLiteral("Asking…"));
    TranslateRequest request;
    request.langPair = m_langPair;
    request.lines = QStringList{QStringLiteral("Hello")};
    request.rows = QList<int>{0};
    if (!m_job->start(std::move(request))) {
        m_testTarget->setText(QStringLiteral("The last test has not ended yet."));
        m_testTarget = nullptr;
        return;
    }
    for (Page& p : m_pages)
        p.test->setEnabled(false);
}

void TranslationServicesDialog::listModels() {
    const Page& page = current();
    if (!page.model)
        return;
    const EngineSettings engine = settingsOf(page);
    QLabel* result = page.result;
    QComboBox* combo = page.model;
    result->setText(QStringLiteral("Asking for the models…"));
    m_models.ask(
        [engine, transports = m_transports](std::stop_token stop) -> std::variant<QStringList, QString> {
            const OpenAiChatService chat(engine.address, engine.model, engine.key);
            const std::unique_ptr<TranslateTransport> transport = transports();
            const TransportResult sent = transport->send(chat.modelsRequest(), stop);
            if (const auto* failure = std::get_if<TransportFailure>(&sent))
                return failure->message ? failure->message->text : failure->reason;
            const auto& reply = std::get<TransportReply>(sent);
            if (const std::optional<BatchAnswer> refused = service::statusFailure(reply, chat.name()))
                return refused->message ? refused->message->text : QStringLiteral("The server refused.");
            if (std::optional<QStringList> models = OpenAiChatService::readModels(reply.body))
                return *models;
            return QStringLiteral("The server's answer holds no list of models.");
        },
        [this, combo, result](const std::variant<QStringList, QString>& answer) {
            if (const auto* models = std::get_if<QStringList>(&answer)) {
                const QString typed = combo->currentText();
                combo->clear();
                combo->addItems(*models);
                combo->setEditText(typed.isEmpty() ? models->value(0) : typed);
                result->setText(QStringLiteral("Models on the server: %1.").arg(models->size()));
            } else {
                result->setText(std::get<QString>(answer));
            }
            emit modelsListed();
        });
}

void TranslationServicesDialog::save() {
    const std::unique_ptr<QSettings> settings = userTranslationSettings();
    for (const Page& page : m_pages) {
        if (engineTakesAddress(page.kind) || engineTakesModel(page.kind))
            writeEngineDetails(*settings, settingsOf(page));
        if (page.key && page.key->isEnabled() && page.key->text().trimmed() != page.storedKey)
            if (std::optional<UserMessage> message = engineKeys().setKey(page.kind, page.key->text()))
                m_dialogs.showMessage(this, *message);
    }
}
