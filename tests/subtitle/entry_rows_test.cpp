#include "subtitle/subtitle_session.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {
EntryRow row(double n, const QString& original) {
    return EntryRow{n, "00:00:01,000", "00:00:02,000", original, kUntranslated};
}
} // namespace

TEST(EntryRows, AnnouncesEveryChangeWithItsRange) {
    EntryRows rows;
    QSignalSpy inserted(&rows, &EntryRows::rowsInserted);
    QSignalSpy removed(&rows, &EntryRows::rowsRemoved);
    QSignalSpy changed(&rows, &EntryRows::cellChanged);

    rows.append(row(1, "a"));
    rows.appendRows({row(2, "b"), row(3, "c")});
    rows.insert(1, row(9, "x"));
    ASSERT_EQ(inserted.count(), 3);
    EXPECT_EQ(inserted[1], (QList<QVariant>{1, 2}));
    EXPECT_EQ(inserted[2], (QList<QVariant>{1, 1}));
    EXPECT_EQ(rows.at(1).original, "x");

    rows.remove(2, 10); // cut to the rows that exist
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0], (QList<QVariant>{2, 3}));
    EXPECT_EQ(rows.count(), 2);

    rows.setCell(0, kColumnTranslated, "t");
    rows.setCell(5, kColumnTranslated, "ignored");
    rows.setCell(0, kColumnNumber, "not a text cell");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(rows.cellText(0, kColumnTranslated), "t");
    EXPECT_EQ(rows.cellText(7, kColumnOriginal), "");
    EXPECT_EQ(rows.cellText(0, kColumnNumber), "1");
}

TEST(SubtitleSession, CellEditReachesTheListOnlyWithinIt) {
    SubtitleSession s;
    s.document.originalTexts = {"a", "b"};
    s.document.translatedTexts = {"x"};
    s.rows.appendRows({row(1, "a"), row(2, "b"), row(3, "")});

    s.editCell(1, kColumnOriginal, "B");
    s.editCell(1, kColumnTranslated, "Y"); // beyond translatedTexts: the cell only
    s.editCell(2, kColumnOriginal, "C");
    EXPECT_EQ(s.document.originalTexts, (QStringList{"a", "B"}));
    EXPECT_EQ(s.document.translatedTexts, (QStringList{"x"}));
    EXPECT_EQ(s.rows.at(1).translated, "Y");
    EXPECT_EQ(s.rows.at(2).original, "C");
}
