// The window of an embedded window area steps out of its top-level while that is remade, and only
// that top-level's areas do.
#include "media/embedded_window.h"

#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

TEST(EmbeddedWindow, KeepsItsWindowOutOfTheTopLevelWhileItIsRemadeAndPutsItBack) {
    QWidget top;
    auto* area = new EmbeddedWindow(&top);
    (new QVBoxLayout(&top))->addWidget(area);
    QWidget other;
    auto* otherArea = new EmbeddedWindow(&other);
    (new QVBoxLayout(&other))->addWidget(otherArea);
    top.show();
    other.show();
    const WId id = area->nativeWindow()->winId();
    otherArea->nativeWindow()->winId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return area->nativeWindow()->parent() == top.windowHandle(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return otherArea->nativeWindow()->parent() == other.windowHandle(); }));

    bool parked = false;
    bool otherStayed = false;
    keepEmbeddedWindowsThrough(&top, [&] {
        parked = area->nativeWindow()->parent() != top.windowHandle();
        otherStayed = otherArea->nativeWindow()->parent() == other.windowHandle();
    });
    EXPECT_TRUE(parked);
    EXPECT_TRUE(otherStayed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return area->nativeWindow()->parent() == top.windowHandle(); }));
    EXPECT_TRUE(area->nativeWindow()->isVisible());
    // Whatever draws into it keeps the window it was given.
    EXPECT_EQ(area->nativeWindow()->winId(), id);
}
