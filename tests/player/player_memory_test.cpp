// What loading a file costs at its peak: large and hostile files stay within a small multiple of
// the bytes the loader accepts. Measured through the sanitizer's allocator, which sees every
// allocation (Qt's as well as ours); only the sanitized builds have the test.
#include "player/player_line.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PLAYER_MEMORY_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define PLAYER_MEMORY_HOOKS 1
#endif
#endif

#ifdef PLAYER_MEMORY_HOOKS
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            std::size_t),
                                                         void (*freeHook)(const volatile void*));

namespace {

std::atomic<bool> g_measuring{false};
std::atomic<std::size_t> g_peak{0};

void onMalloc(const volatile void*, std::size_t) {
    if (!g_measuring.load(std::memory_order_relaxed))
        return;
    const std::size_t now = __sanitizer_get_current_allocated_bytes();
    std::size_t seen = g_peak.load(std::memory_order_relaxed);
    while (now > seen && !g_peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
}
void onFree(const volatile void*) {}

// The most heap in use while `work` runs, above what was in use before it.
template <typename Work> std::size_t peakDuring(Work work) {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    EXPECT_TRUE(installed);
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    g_peak.store(before);
    g_measuring.store(true);
    work();
    g_measuring.store(false);
    return g_peak.load() - before;
}

QByteArray repeated(const QByteArray& unit, qint64 size) {
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() + unit.size() <= size)
        bytes += unit;
    return bytes;
}

TEST(PlayerLoaderMemory, PeakStaysProportionalToTheFile) {
    const qint64 limit = 409600;
    struct Case {
        const char* name;
        QByteArray bytes;
        std::size_t lines; // 0: refused
    };
    const QByteArray entry = "1\n00:00:01,000 --> 00:00:02,000\nSome words of a subtitle\n\n";
    const Case cases[] = {
        // Each three bytes make a subtitle: the most records a file of this size can hold.
        {"records of three bytes", repeated("1\n\n", limit - 2), std::size_t((limit - 2) / 3)},
        {"ordinary subtitles", repeated(entry, limit), std::size_t(limit / entry.size())},
        // Read through UTF-8 as a whole.
        {"UTF-16 records of three characters", "\xFF\xFE" + repeated(QByteArray("1\0\n\0\n\0", 6), limit - 2),
         std::size_t((limit - 2) / 6)},
        {"six megabytes", repeated("1\n\n", 6 * 1024 * 1024), 0},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".srt"));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(c.bytes), c.bytes.size());
        }
        std::size_t loadedLines = 0;
        const std::size_t peak = peakDuring([&] {
            const auto loaded = loadPlayerFile(path);
            loadedLines = loaded.result ? loaded.result->lines.size() : 0;
        });
        EXPECT_EQ(loadedLines, c.lines);
        // A small multiple of what is read, whatever the file's size and shape.
        EXPECT_LT(peak, std::size_t(24 * std::min<qint64>(c.bytes.size(), limit))) << peak << " bytes";
    }
}

} // namespace
#endif
