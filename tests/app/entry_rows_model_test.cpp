// The grid's model over the session: Qt's model checker follows a long random sequence of edits,
// undos and redos, and after each the model shows exactly the session's rows.
#include "app/entry_rows_model.h"
#include "subtitle/session_edits.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace {

QStringList g_warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(message);
}

void expectShowsTheSession(const EntryRowsModel& model, const SubtitleSession& s, const char* after) {
    ASSERT_EQ(model.rowCount(), s.rowCount()) << after;
    for (int row = 0; row < s.rowCount(); ++row)
        for (int column = 0; column < kColumnCount; ++column)
            ASSERT_EQ(model.data(model.index(row, column), Qt::DisplayRole).toString(),
                      s.rows().cellText(row, column))
                << after << " row " << row << " column " << column;
}

TEST(EntryRowsModel, AnnouncesEveryEditUndoAndRedoBeforeTheViewsReadIt) {
    QRandomGenerator random(20261207);
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarnings);
    for (int round = 0; round < 10; ++round) {
        SubtitleSession s;
        fill(s, 8, int(random.bounded(9)));
        EntryRowsModel model(s);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        for (int i = 0; i < 30; ++i) {
            model.apply(s.apply(randomEdit(random, s, i)));
            expectShowsTheSession(model, s, "an edit");
        }
        while (s.canUndo()) {
            model.apply(s.undo());
            expectShowsTheSession(model, s, "an undo");
        }
        while (s.canRedo()) {
            model.apply(s.redo());
            expectShowsTheSession(model, s, "a redo");
        }
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.mid(0, 5).join(u'\n').toStdString();
}

} // namespace
