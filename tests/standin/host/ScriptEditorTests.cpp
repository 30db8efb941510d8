// The command line runs what is typed, with a history, and the log shows results plainly and errors in red.
#include <QtGui/QTextBlock>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

#include "CommandLine.h"
#include "LogView.h"

namespace {

void type(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QTextBlock blockWith(const LogView& log, const QString& text) {
    for (QTextBlock b = log.document()->begin(); b.isValid(); b = b.next())
        if (b.text() == text) return b;
    return QTextBlock();
}

TEST(ScriptEditor, RunsTypedCommandsWithHistoryAndShowsErrorsInRed) {
    mayastandin::resetScene();
    LogView log;
    CommandLine line;
    type(line.edit(), "createNode transform -n typed");
    type(line.edit(), "getAttr nosuch.v");
    EXPECT_FALSE(mayastandin::findNode("typed").isNull());
    EXPECT_TRUE(line.edit()->text().isEmpty());

    QTest::keyClick(line.edit(), Qt::Key_Up);
    EXPECT_EQ(line.edit()->text(), "getAttr nosuch.v");
    QTest::keyClick(line.edit(), Qt::Key_Up);
    EXPECT_EQ(line.edit()->text(), "createNode transform -n typed");
    QTest::keyClick(line.edit(), Qt::Key_Down);
    QTest::keyClick(line.edit(), Qt::Key_Down);
    EXPECT_TRUE(line.edit()->text().isEmpty());

    log.flush();
    const QTextBlock result = blockWith(log, "// Result: typed //");
    const QTextBlock error = blockWith(log, "// Error: getAttr: No object matches name: nosuch.v");
    ASSERT_TRUE(result.isValid());
    ASSERT_TRUE(error.isValid());
    EXPECT_TRUE(blockWith(log, "createNode transform -n typed").isValid());  // the command is echoed
    const QColor red = error.begin().fragment().charFormat().foreground().color();
    EXPECT_GT(red.red(), 200);
    EXPECT_LT(red.green(), 150);
    EXPECT_NE(result.begin().fragment().charFormat().foreground().color(), red);
}

}  // namespace
