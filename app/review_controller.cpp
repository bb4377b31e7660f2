// The window's review: options from the settings, spelling from the languages, findings from the session.
#include "app/review_controller.h"

#include "subtitle/subtitle_session.h"

#include <QElapsedTimer>
#include <QTimer>

// The glossary as the review's checks read it.
class GlossaryTermList : public TermList {
public:
    explicit GlossaryTermList(QList<GlossaryTerm> terms) : matcher(std::move(terms)) {}

    QStringList missingTerms(const QString& original, const QString& translated) const override {
        QStringList messages;
        for (const GlossaryHit& hit : matcher.missingTranslations(original, translated)) {
            const GlossaryTerm& term = matcher.terms().at(hit.term);
            const QString message = QStringLiteral("Glossary: \"%1\" is translated as \"%2\"")
                                        .arg(original.mid(hit.start, hit.length), term.translation);
            if (!messages.contains(message))
                messages.append(message);
        }
        return messages;
    }

    GlossaryMatcher matcher;
};

namespace {

// Enough for every row of a long file; past it the texts are found again.
constexpr int kMostKeptTexts = 20000;

const QList<GlossaryTerm> kNoTerms;

// A slice of the load's review is short enough that a key or a paint waiting behind it is not
// felt; the rows are taken a few at a time between looks at the clock.
constexpr int kSliceMilliseconds = 8;
constexpr int kRowsBetweenLooks = 32;

} // namespace

ReviewController::ReviewController(const SubtitleSession& session, QObject* parent, ReviewSettings settings,
                                   QStringList dictionaryFolders)
    : QObject(parent), m_session(session), m_settings(std::move(settings)), m_folders(dictionaryFolders),
      m_speller(std::move(dictionaryFolders)) {
    applyOptions();
}

ReviewController::~ReviewController() = default;

void ReviewController::applyOptions() {
    CheckOptions options;
    options.limits = m_settings.limits();
    options.frameRate = m_settings.frameRate();
    options.formatMode = m_session.document().formatMode;
    options.speller = &m_speller;
    options.terms = m_glossary.get();
    m_checker.setOptions(options);
}

void ReviewController::checkAll() {
    applyOptions();
    m_checker.checkAll(m_session);
    emit findingsChanged();
    if (std::exchange(m_checking, false))
        emit checkingDone();
}

void ReviewController::checkAllLater() {
    applyOptions();
    m_checker.beginCheckAll(m_session);
    m_checking = true;
    // The rows' old marks go at once; the Checks page says it is checking.
    emit findingsChanged();
    if (m_checkingStarted)
        startChecking();
}

void ReviewController::startChecking() {
    m_checkingStarted = true;
    if (!m_checking || m_sliceQueued)
        return;
    m_sliceQueued = true;
    QTimer::singleShot(0, this, &ReviewController::checkSlice);
}

void ReviewController::checkSlice() {
    m_sliceQueued = false;
    if (!m_checking)
        return;
    QElapsedTimer clock;
    clock.start();
    while (!m_checker.checkMore(m_session, kRowsBetweenLooks))
        if (clock.elapsed() >= kSliceMilliseconds) {
            startChecking();
            return;
        }
    finishChecking();
}

void ReviewController::finishChecking() {
    if (!m_checking)
        return;
    m_checker.checkMore(m_session, int(m_session.rows().all().size()));
    m_checking = false;
    emit findingsChanged();
    emit checkingDone();
}

const IncrementalChecker& ReviewController::completeChecker() {
    finishChecking();
    return m_checker;
}

void ReviewController::follow(const SessionChange& change) {
    // The rows checked so far may not be the rows the change left: the review starts over.
    if (m_checking) {
        checkAllLater();
        return;
    }
    // Times are read in the document's format: when it changed, every row reads differently.
    if (m_checker.options().formatMode != m_session.document().formatMode) {
        checkAll();
        return;
    }
    if (change.isEmpty() && !change.changesRows())
        return;
    m_checker.update(m_session, change);
    emit findingsChanged();
}

std::optional<UserMessage> ReviewController::setPreset(PresetId preset) {
    if (preset == m_settings.preset())
        return std::nullopt;
    const std::optional<UserMessage> problem = m_settings.setPreset(preset);
    // The limits change for this run even when the file could not keep the choice.
    checkAll();
    return problem;
}

QVector<UserMessage> ReviewController::openDictionaries() {
    const QStringList wanted = m_settings.spellingLanguagesFor(m_toLanguage);
    // A language without a dictionary is told of once, not at every change of the "To" box.
    if (m_dictionariesOpened && wanted == m_openedFor)
        return {};
    m_dictionariesOpened = true;
    m_openedFor = wanted;
    QVector<UserMessage> messages = m_speller.setLanguages(wanted);
    emit spellingChanged();
    checkAll();
    return messages;
}

QVector<UserMessage> ReviewController::setToLanguage(const QString& code) {
    m_toLanguage = code;
    return openDictionaries();
}

QVector<UserMessage> ReviewController::setSpellingLanguages(const QStringList& codes) {
    // The file is written only for a new choice.
    if (codes == m_settings.spellingLanguages())
        return openDictionaries();
    if (std::optional<UserMessage> problem = m_settings.setSpellingLanguages(codes))
        return {*problem};
    return openDictionaries();
}

std::optional<UserMessage> ReviewController::addToMyWords(const QString& word) {
    std::optional<UserMessage> problem = m_speller.addToMyWords(word);
    if (!problem)
        checkAll();
    return problem;
}

std::optional<Finding> ReviewController::walk(int focusedRow, bool forward) {
    // The user moved elsewhere since the last step: walk on from there.
    // F8 right after a load walks through every finding, not the ones found so far.
    finishChecking();
    if (focusedRow != m_cursor.row)
        m_cursor = FindingCursor{focusedRow, -1};
    const std::optional<FindingCursor> to = forward ? m_checker.next(m_cursor) : m_checker.previous(m_cursor);
    if (!to)
        return std::nullopt;
    m_cursor = *to;
    return m_checker.findingAt(*to);
}

std::optional<Finding> ReviewController::nextProblem(int focusedRow) {
    return walk(focusedRow, true);
}

std::optional<Finding> ReviewController::previousProblem(int focusedRow) {
    return walk(focusedRow, false);
}

void ReviewController::setGlossary(QList<GlossaryTerm> terms) {
    m_hitsByText.clear();
    if (terms.isEmpty())
        m_glossary.reset();
    else
        m_glossary = std::make_unique<GlossaryTermList>(std::move(terms));
    checkAll();
}

const QList<GlossaryTerm>& ReviewController::glossaryTerms() const {
    return m_glossary ? m_glossary->matcher.terms() : kNoTerms;
}

QList<GlossaryHit> ReviewController::glossaryHits(const QString& original) const {
    if (!m_glossary || original.isEmpty())
        return {};
    if (const auto it = m_hitsByText.constFind(original); it != m_hitsByText.cend())
        return *it;
    if (m_hitsByText.size() >= kMostKeptTexts)
        m_hitsByText.clear();
    return *m_hitsByText.insert(original, m_glossary->matcher.find(original));
}

QString ReviewController::originalText(int row) const {
    return m_session.rows().cellText(row, kColumnOriginal);
}

QStringList ReviewController::glossaryNotes(const QString& original) const {
    QStringList notes;
    for (const GlossaryHit& hit : glossaryHits(original)) {
        const GlossaryTerm& term = glossaryTerms().at(hit.term);
        QString note = QStringLiteral("Glossary: %1 → %2").arg(term.term, term.translation);
        if (!term.note.isEmpty())
            note += QStringLiteral(" (%1)").arg(term.note);
        if (!notes.contains(note))
            notes.append(note);
    }
    return notes;
}

void ReviewController::setShowsCpsColumn(bool shown) {
    if (shown == m_showCps)
        return;
    m_showCps = shown;
    emit cpsColumnShown(shown);
}

bool ReviewController::isTooFast(double charsPerSecond) const {
    return charsPerSecond > m_checker.options().limits.maxCharsPerSecond;
}
