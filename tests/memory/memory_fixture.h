// What the memory tests share: a store on a file of a temporary folder.
#pragma once

#include "memory/memory_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

// Readable failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const MemoryUnit& u, std::ostream* out) {
    *out << u.languages.source.toStdString() << '>' << u.languages.target.toStdString() << " \""
         << u.source.toStdString() << "\" = \"" << u.target.toStdString() << "\" from "
         << u.origin.toStdString() << (u.byHand ? " by hand" : " by ") << u.engine.toStdString() << " at "
         << u.created;
}

inline const LanguagePair kEnFr{QStringLiteral("en"), QStringLiteral("fr")};

inline MemoryUnit unit(const QString& source, const QString& target, const LanguagePair& languages = kEnFr) {
    MemoryUnit u;
    u.languages = languages;
    u.source = source;
    u.target = target;
    u.byHand = true;
    u.created = 1700000000;
    return u;
}

// Memory-backed where the machine has it: the store syncs its file, and a busy disk makes that slow.
inline QString scratchTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString folder = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return folder + QStringLiteral("/velmora-memory-XXXXXX");
}

// The target an exact lookup fills a line with, or "(none)".
inline QString exactTarget(const MemoryStore& store, const QString& original,
                           const LanguagePair& languages = kEnFr) {
    const auto fills = store.exactMatches({original}, languages);
    return fills.value.isEmpty() ? QStringLiteral("(none)") : fills.value.first().target;
}

class MemoryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_FALSE(m_store.open(storePath()).has_value());
    }

    QString storePath() const { return m_dir.filePath(QStringLiteral("data/memory.sqlite")); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    MemoryStore& store() { return m_store; }

    void add(const QList<MemoryUnit>& units) {
        const MemoryWrite w = m_store.addUnits(units);
        ASSERT_FALSE(w.message.has_value()) << w.message->text.toStdString();
    }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static QByteArray digest(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

private:
    QTemporaryDir m_dir{scratchTemplate()};
    MemoryStore m_store;
};
