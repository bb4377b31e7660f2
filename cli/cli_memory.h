// The translation memory for the command line's translations: what it holds is taken before a job
// (exact matches), and what the engine translated goes into it afterwards. Kept apart from the
// translation headers, whose language pair is another type of the same name.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <utility>

class MemoryStore;

class CliMemory {
public:
    CliMemory();
    ~CliMemory();
    CliMemory(const CliMemory&) = delete;
    CliMemory& operator=(const CliMemory&) = delete;

    // Opens `path`, or velmora's own memory in its data folder when empty. A message when it cannot
    // (then nothing is used) or can only be read.
    std::optional<QString> open(const QString& path);
    bool isOpen() const;

    // For each original the memory knows in this pair of languages: its position and translation.
    QList<std::pair<int, QString>> exactMatches(const QStringList& originals, const QString& from,
                                                const QString& to, QString* message) const;
    // The engine's translations, kept with the file they came from; a message when they were not.
    std::optional<QString> add(const QStringList& originals, const QStringList& translations,
                               const QString& from, const QString& to, const QString& origin,
                               const QString& engine);

private:
    std::unique_ptr<MemoryStore> m_store;
};
