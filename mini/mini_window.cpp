// The study window: top bar, card, answer row; the list page with its search.
#include "mini/mini_window.h"

#include "mini/study_files.h"

#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr char kNewPerDayKey[] = "study/newPerDay";
constexpr char kReverseKey[] = "study/reverse";
constexpr int kMaxNewPerDay = 9999;

enum ListColumn { NumberColumn, OriginalColumn, TranslatedColumn, NextColumn, ColumnCount };

struct AnswerLook {
    Answer answer;
    const char* label;
    const char* objectName;
};
constexpr AnswerLook kAnswerLooks[] = {
    {Answer::Again, "Again", "againButton"},
    {Answer::Hard, "Hard", "hardButton"},
    {Answer::Good, "Good", "goodButton"},
    {Answer::Easy, "Easy", "easyButton"},
};

// The search looks at the two texts only, not at numbers and dates.
class TextFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (m_text.isEmpty())
            return true;
        for (int column : {OriginalColumn, TranslatedColumn}) {
            const QString text = sourceModel()->index(row, column, parent).data().toString();
            if (text.contains(m_text, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }

public:
    void setText(const QString& text) {
        m_text = text;
        invalidateFilter();
    }

private:
    QString m_text;
};

QString listName(int selector) {
    return selector == kVocabulary ? QStringLiteral("Vocabulary") : QStringLiteral("Dictionary");
}

void defaultMessageBox(QWidget* parent, const UserMessage& message) {
    QMessageBox::Icon icon = QMessageBox::Critical;
    if (message.icon == MessageIcon::Warning)
        icon = QMessageBox::Warning;
    else if (message.icon == MessageIcon::Information)
        icon = QMessageBox::Information;
    QMessageBox box(icon, message.caption, message.text, QMessageBox::Ok, parent);
    // Paths and card texts are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

QString intervalText(int days) {
    if (days <= 0)
        return QStringLiteral("today");
    if (days == 1)
        return QStringLiteral("tomorrow");
    if (days < 60)
        return QStringLiteral("in %1 days").arg(days);
    if (days < 730)
        return QStringLiteral("in %1 months").arg((days + 15) / 30);
    return QStringLiteral("in %1 years").arg((days + 182) / 365);
}

MiniWindow::MiniWindow(MiniSetup setup, QWidget* parent)
    : QWidget(parent), m_setup(std::move(setup)),
      m_schedule(QDir(m_setup.dataFolder).filePath(scheduleFileName(m_setup.selector))) {
    if (!m_setup.clock)
        m_setup.clock = systemStudyClock();
    if (!m_setup.showMessage)
        m_setup.showMessage = defaultMessageBox;
    setWindowTitle(QStringLiteral("mini — %1").arg(listName(m_setup.selector)));
    createControls();
    readSettings();
}

MiniWindow::~MiniWindow() = default;

QDate MiniWindow::today() const {
    return m_setup.clock();
}

void MiniWindow::createControls() {
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(createStudyPage(), QStringLiteral("Study"));
    m_tabs->addTab(createListPage(), QStringLiteral("List"));
    layout->addWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        // The study keys would swallow what is typed into the search.
        for (QShortcut* shortcut : m_shortcuts)
            shortcut->setEnabled(index == 0);
        if (index == 1)
            fillList();
        else
            m_card->setFocus();
    });
    resize(680, 460);
}

QWidget* MiniWindow::createStudyPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* bar = new QHBoxLayout;
    m_leftLabel = new QLabel(page);
    m_leftLabel->setObjectName(QStringLiteral("leftLabel"));
    bar->addWidget(m_leftLabel, 1);
    m_reverseButton = new QPushButton(QStringLiteral("Reverse"), page);
    m_reverseButton->setObjectName(QStringLiteral("reverseButton"));
    m_reverseButton->setCheckable(true);
    m_reverseButton->setToolTip(QStringLiteral("Show the translation first and recall the original"));
    bar->addWidget(m_reverseButton);
    auto* newLabel = new QLabel(QStringLiteral("New cards a day:"), page);
    bar->addWidget(newLabel);
    m_newPerDay = new QSpinBox(page);
    m_newPerDay->setObjectName(QStringLiteral("newPerDaySpin"));
    m_newPerDay->setRange(0, kMaxNewPerDay);
    m_newPerDay->setValue(kDefaultNewPerDay);
    // A new session once the number is complete, not after each digit typed.
    m_newPerDay->setKeyboardTracking(false);
    newLabel->setBuddy(m_newPerDay);
    bar->addWidget(m_newPerDay);
    layout->addLayout(bar);

    m_card = new QFrame(page);
    m_card->setObjectName(QStringLiteral("card"));
    m_card->setFocusPolicy(Qt::StrongFocus);
    m_card->setCursor(Qt::PointingHandCursor);
    m_card->setFrameShape(QFrame::StyledPanel);
    m_card->setStyleSheet(
        QStringLiteral("#card { background: white; border: 1px solid #b8b8b8; border-radius: 6px; }"
                       "#card:focus { border: 1px solid #5b8ed6; }"
                       "#cardRule { color: #d0d0d0; }"));
    m_card->installEventFilter(this);
    auto* cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(24, 18, 24, 18);
    auto makeText = [this](const char* name, int pointSize, const QColor& colour) {
        auto* label = new QLabel(m_card);
        label->setObjectName(QLatin1String(name));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        QFont font = label->font();
        font.setPointSize(pointSize);
        label->setFont(font);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
        return label;
    };
    m_front = makeText("cardFront", 20, QColor(0x20, 0x20, 0x20));
    m_rule = new QFrame(m_card);
    m_rule->setObjectName(QStringLiteral("cardRule"));
    m_rule->setFrameShape(QFrame::HLine);
    m_back = makeText("cardBack", 16, QColor(0x1f, 0x4e, 0x8c));
    // The question stays where it is when the answer appears below it.
    for (QWidget* hidden : {static_cast<QWidget*>(m_rule), static_cast<QWidget*>(m_back)}) {
        QSizePolicy policy = hidden->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        hidden->setSizePolicy(policy);
    }
    m_note = makeText("cardNote", 10, QColor(0x70, 0x70, 0x70));
    cardLayout->addStretch(1);
    cardLayout->addWidget(m_front);
    cardLayout->addSpacing(10);
    cardLayout->addWidget(m_rule);
    cardLayout->addSpacing(10);
    cardLayout->addWidget(m_back);
    cardLayout->addStretch(1);
    cardLayout->addWidget(m_note);
    layout->addWidget(m_card, 1);

    auto* row = new QHBoxLayout;
    m_speakButton = new QPushButton(QStringLiteral("Read aloud"), page);
    m_speakButton->setObjectName(QStringLiteral("speakButton"));
    m_speakButton->setFocusPolicy(Qt::NoFocus);
    m_speakButton->setVisible(m_setup.speaker != nullptr);
    row->addWidget(m_speakButton);
    row->addStretch(1);
    m_turnButton = new QPushButton(QStringLiteral("Show answer (Space)"), page);
    m_turnButton->setObjectName(QStringLiteral("turnButton"));
    m_turnButton->setFocusPolicy(Qt::NoFocus);
    m_turnButton->setMinimumWidth(200);
    row->addWidget(m_turnButton);
    m_answers = new QWidget(page);
    auto* answersLayout = new QHBoxLayout(m_answers);
    answersLayout->setContentsMargins(0, 0, 0, 0);
    for (const AnswerLook& look : kAnswerLooks) {
        auto* button = new QPushButton(m_answers);
        button->setObjectName(QLatin1String(look.objectName));
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumWidth(100);
        // Two lines from the start, so that the row keeps its height when the card is turned.
        button->setText(QStringLiteral("%1 %2\n").arg(int(look.answer)).arg(QLatin1String(look.label)));
        answersLayout->addWidget(button);
        m_answerButtons.emplace_back(look.answer, button);
        connect(button, &QPushButton::clicked, this, [this, a = look.answer] { answer(a); });
    }
    row->addWidget(m_answers);
    row->addStretch(1);
    m_turnButton->setMinimumHeight(m_answerButtons.front().second->sizeHint().height());
    layout->addLayout(row);

    connect(m_turnButton, &QPushButton::clicked, this, &MiniWindow::turn);
    connect(m_speakButton, &QPushButton::clicked, this, &MiniWindow::speak);
    connect(m_reverseButton, &QPushButton::toggled, this, [this] {
        writeSettings();
        startSession();
    });
    connect(m_newPerDay, &QSpinBox::valueChanged, this, [this] {
        writeSettings();
        startSession();
    });

    auto addShortcut = [this, page](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, page);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
        m_shortcuts.push_back(shortcut);
    };
    addShortcut(QKeySequence(Qt::Key_Space), [this] { turn(); });
    for (const AnswerLook& look : kAnswerLooks) {
        const int key = Qt::Key_0 + int(look.answer);
        addShortcut(QKeySequence(key), [this, a = look.answer] { answer(a); });
        addShortcut(QKeySequence(Qt::KeypadModifier | key), [this, a = look.answer] { answer(a); });
    }
    return page;
}

QWidget* MiniWindow::createListPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    m_search = new QLineEdit(page);
    m_search->setObjectName(QStringLiteral("searchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Search both texts"));
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);

    m_listModel = new QStandardItemModel(0, ColumnCount, page);
    m_listModel->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Original"),
                                            QStringLiteral("Translation"), QStringLiteral("Next")});
    m_listFilter = new TextFilter(page);
    m_listFilter->setSourceModel(m_listModel);
    m_list = new QTableView(page);
    m_list->setObjectName(QStringLiteral("listView"));
    m_list->setModel(m_listFilter);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setSectionResizeMode(OriginalColumn, QHeaderView::Stretch);
    m_list->horizontalHeader()->setSectionResizeMode(TranslatedColumn, QHeaderView::Stretch);
    m_list->horizontalHeader()->setSectionResizeMode(NumberColumn, QHeaderView::ResizeToContents);
    m_list->horizontalHeader()->setSectionResizeMode(NextColumn, QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 1);
    connect(m_search, &QLineEdit::textChanged, this,
            [this](const QString& text) { static_cast<TextFilter*>(m_listFilter)->setText(text); });
    return page;
}

void MiniWindow::readSettings() {
    if (m_setup.settingsFile.isEmpty())
        return;
    const QSettings settings(m_setup.settingsFile, QSettings::IniFormat);
    const QSignalBlocker blockSpin(m_newPerDay);
    const QSignalBlocker blockReverse(m_reverseButton);
    m_newPerDay->setValue(settings.value(QLatin1String(kNewPerDayKey), kDefaultNewPerDay).toInt());
    m_reverseButton->setChecked(settings.value(QLatin1String(kReverseKey), false).toBool());
}

void MiniWindow::writeSettings() const {
    if (m_setup.settingsFile.isEmpty())
        return;
    QSettings settings(m_setup.settingsFile, QSettings::IniFormat);
    settings.setValue(QLatin1String(kNewPerDayKey), m_newPerDay->value());
    settings.setValue(QLatin1String(kReverseKey), m_reverseButton->isChecked());
}

void MiniWindow::load() {
    const QString storePath = QDir(m_setup.dataFolder).filePath(storeFileName(m_setup.selector));
    StoreRead store = readStoreFile(storePath);
    if (store.message)
        showMessage(*store.message);
    m_records = std::move(store.records);
    m_cards = distinctCards(m_records);
    if (const std::optional<UserMessage> message = m_schedule.load())
        showMessage(*message);
    m_loaded = true;
    startSession();
    if (m_tabs->currentIndex() == 1)
        fillList();
}

void MiniWindow::startSession() {
    if (!m_loaded)
        return;
    const StudyDirection direction =
        m_reverseButton->isChecked() ? StudyDirection::Reverse : StudyDirection::Forward;
    m_session =
        std::make_unique<StudySession>(m_cards, m_schedule.cards(), direction, m_newPerDay->value(), today());
    showCard();
}

void MiniWindow::showCard() {
    m_turned = false;
    updateCount();
    if (!m_session || m_session->finished()) {
        showFinished();
        return;
    }
    m_front->setText(m_session->front().isEmpty() ? QStringLiteral("(empty)") : m_session->front());
    m_back->setText(m_session->back().isEmpty() ? QStringLiteral("(no text)") : m_session->back());
    m_back->setVisible(false);
    m_rule->setVisible(false);
    m_note->setText(m_session->currentIsNew() ? QStringLiteral("new card · Space or a click shows the answer")
                                              : QStringLiteral("Space or a click shows the answer"));
    m_turnButton->setVisible(true);
    m_answers->setVisible(false);
    // Only the original is read; in reverse it is the answer, so it waits until the card is turned.
    m_speakButton->setEnabled(m_session->direction() == StudyDirection::Forward);
}

void MiniWindow::showFinished() {
    m_back->setVisible(false);
    m_rule->setVisible(false);
    m_turnButton->setVisible(false);
    m_answers->setVisible(false);
    m_speakButton->setEnabled(false);
    if (m_cards.empty()) {
        m_front->setText(QStringLiteral("Nothing to study yet."));
        m_note->setText(
            m_setup.selector == kVocabulary
                ? QStringLiteral("The vocabulary is empty.")
                : QStringLiteral("Add sentence pairs in velmora's \"Dictionary Library\" page first."));
        return;
    }
    m_front->setText(QStringLiteral("Done for today."));
    QDate next;
    const StudyDirection direction = m_session->direction();
    for (const StudyCard& card : m_cards) {
        const auto known = m_schedule.cards().constFind({direction, card.original, card.translated});
        if (known == m_schedule.cards().cend())
            next = next.isValid() ? std::min(next, today().addDays(1)) : today().addDays(1);
        else if (!next.isValid() || known->due < next)
            next = known->due;
    }
    m_note->setText(
        next.isValid()
            ? QStringLiteral("The next cards are due %1.").arg(intervalText(int(today().daysTo(next))))
            : QString());
}

void MiniWindow::updateCount() {
    if (!m_session || m_cards.empty()) {
        m_leftLabel->clear();
        return;
    }
    const int left = m_session->dueLeft() + m_session->newLeft();
    m_leftLabel->setText(QStringLiteral("%1 left: %2 to review, %3 new")
                             .arg(left)
                             .arg(m_session->dueLeft())
                             .arg(m_session->newLeft()));
}

void MiniWindow::turn() {
    if (!m_session || m_session->finished() || m_turned)
        return;
    m_turned = true;
    m_back->setVisible(true);
    m_rule->setVisible(true);
    m_turnButton->setVisible(false);
    m_note->setText(QStringLiteral("1 Again · 2 Hard · 3 Good · 4 Easy"));
    for (const auto& [answer, button] : m_answerButtons) {
        const CardState next = m_session->preview(answer, today());
        const char* label = kAnswerLooks[int(answer) - 1].label;
        button->setText(QStringLiteral("%1 %2\n%3")
                            .arg(int(answer))
                            .arg(QLatin1String(label), intervalText(next.intervalDays)));
    }
    m_answers->setVisible(true);
    m_speakButton->setEnabled(true);
}

void MiniWindow::answer(Answer answer) {
    if (!m_session || m_session->finished() || !m_turned)
        return;
    m_session->answer(answer, today());
    // Kept after every answer, so a closed window or a crash loses nothing already answered.
    if (const std::optional<UserMessage> failed = m_schedule.save()) {
        // Once per run of failures, not after every card.
        if (!m_lastSaveFailed)
            showMessage(*failed);
        m_lastSaveFailed = true;
    } else {
        m_lastSaveFailed = false;
    }
    showCard();
}

void MiniWindow::speak() {
    if (!m_setup.speaker || !m_session || m_session->finished())
        return;
    if (m_session->direction() == StudyDirection::Reverse && !m_turned)
        return;
    m_setup.speaker->say(m_session->current().original);
}

void MiniWindow::fillList() {
    m_listModel->removeRows(0, m_listModel->rowCount());
    const StudyDirection direction =
        m_reverseButton->isChecked() ? StudyDirection::Reverse : StudyDirection::Forward;
    int number = 0;
    for (const DictionaryRecord& record : m_records) {
        const auto known = m_schedule.cards().constFind({direction, record.original, record.translated});
        QString next = QStringLiteral("new");
        if (known != m_schedule.cards().cend())
            next = known->due <= today() ? QStringLiteral("today")
                                         : QLocale().toString(known->due, QLocale::ShortFormat);
        QList<QStandardItem*> row;
        auto* numberItem = new QStandardItem;
        numberItem->setData(++number, Qt::DisplayRole);
        row << numberItem << new QStandardItem(record.original) << new QStandardItem(record.translated)
            << new QStandardItem(next);
        m_listModel->appendRow(row);
    }
}

bool MiniWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_card && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        turn();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MiniWindow::showMessage(const UserMessage& message) {
    m_setup.showMessage(this, message);
}
