#include "memory_fixture.h"

#include <atomic>
#include <thread>

namespace {

// Two velmoras on one memory: each has its own connection, and both make the file at once.
TEST(MemoryWriters, TwoConnectionsWritingAtOnceLoseNoUnit) {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("memory.sqlite"));
    constexpr int kRounds = 30;
    constexpr int kRowsPerRound = 10;
    std::atomic<int> failures{0};
    std::atomic<int> found{0};

    auto writer = [&](int who) {
        MemoryStore store;
        if (store.open(path)) {
            ++failures;
            return;
        }
        for (int round = 0; round < kRounds; ++round) {
            QList<MemoryRow> rows;
            for (int k = 0; k < kRowsPerRound; ++k)
                rows.append({QStringLiteral("Writer %1, line %2.").arg(who).arg(round * kRowsPerRound + k),
                             QStringLiteral("Ligne %1.").arg(k),
                             true,
                             {}});
            const MemoryWrite w = store.addRows(rows, kEnFr, QStringLiteral("e%1.srt").arg(who));
            if (w.message || w.added != kRowsPerRound)
                ++failures;
            // Reading goes on while the other one writes.
            const auto fills =
                store.exactMatches({QStringLiteral("Writer %1, line %2.").arg(1 - who).arg(round)}, kEnFr);
            found += int(fills.value.size());
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(found.load(), 0);
    MemoryStore check;
    ASSERT_FALSE(check.open(path).has_value());
    EXPECT_EQ(check.unitCount(), 2 * kRounds * kRowsPerRound);
}

} // namespace
