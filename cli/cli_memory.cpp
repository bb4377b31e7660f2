// The command line's use of the translation memory.
#include "cli/cli_memory.h"

#include "memory/memory_store.h"
#include "support/program_folder.h"

#include <QCoreApplication>
#include <QFileInfo>

CliMemory::CliMemory() = default;
CliMemory::~CliMemory() = default;

std::optional<QString> CliMemory::open(const QString& given) {
    QString path = given.isEmpty() ? QString() : QFileInfo(given).absoluteFilePath();
    if (path.isEmpty()) {
        // velmora's own memory: where velmora, run from this program's folder, keeps its data.
        if (dataFolder().isEmpty()) {
            setProgramFolder(QCoreApplication::applicationDirPath() + u'/');
            if (const std::optional<UserMessage> refused = decideWritableFolders())
                return refused->text;
        }
        path = memoryFilePath();
    }
    m_store = std::make_unique<MemoryStore>();
    const std::optional<UserMessage> message = m_store->open(path);
    if (m_store->access() == MemoryAccess::Closed) {
        m_store.reset();
        return message ? message->text
                       : QStringLiteral("the translation memory %1 cannot be opened").arg(path);
    }
    if (message)
        return message->text;
    return std::nullopt;
}

bool CliMemory::isOpen() const {
    return m_store != nullptr;
}

QList<std::pair<int, QString>> CliMemory::exactMatches(const QStringList& originals, const QString& from,
                                                       const QString& to, QString* message) const {
    QList<std::pair<int, QString>> found;
    if (!m_store || !isStorableLanguage(from) || !isStorableLanguage(to))
        return found;
    const MemoryResult<QList<MemoryFill>> fills = m_store->exactMatches(originals, LanguagePair{from, to});
    if (fills.message && message)
        *message = fills.message->text;
    for (const MemoryFill& fill : fills.value)
        found.append({fill.position, fill.target});
    return found;
}

std::optional<QString> CliMemory::add(const QStringList& originals, const QStringList& translations,
                                      const QString& from, const QString& to, const QString& origin,
                                      const QString& engine) {
    if (!m_store || !m_store->writable() || !isStorableLanguage(from) || !isStorableLanguage(to))
        return std::nullopt;
    QList<MemoryRow> rows;
    for (qsizetype i = 0; i < originals.size() && i < translations.size(); ++i)
        rows.append(MemoryRow{originals[i], translations[i], false, engine});
    const MemoryWrite written = m_store->addRows(rows, LanguagePair{from, to}, origin);
    if (written.message)
        return written.message->text;
    return std::nullopt;
}
