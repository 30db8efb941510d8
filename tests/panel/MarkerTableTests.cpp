// The marker table: group layout, empty groups, duplicates, clearing, and no editing.

#include <QtTest/QTest>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "QMarkerTableWidget.h"

namespace {

struct Table : panelsupport::WithApplication, testing::Test {
    void SetUp() override {
        panelsupport::app();
        table.setColumnCount(4);
        table.setHorizontalHeaderLabels(QStringList({"Name", "X", "Y", "Z"}));
    }
    QString cell(int row, int column) const {
        const QTableWidgetItem* item = table.item(row, column);
        return item ? item->text() : QString("<none>");
    }
    QMarkerTableWidget table;
};

TEST_F(Table, GroupsAreAHeadingRowThenOneRowPerMarker) {
    table.appendMarkerGroup("A", QStringList({"a1", "a2"}));
    table.appendMarkerGroup("B", QStringList({"b1"}));
    ASSERT_EQ(table.rowCount(), 5);
    const char* names[] = {"A", "a1", "a2", "B", "b1"};
    for (int row = 0; row < 5; ++row) EXPECT_EQ(cell(row, 0), names[row]);
    for (int row : {0, 3})
        for (int column = 1; column <= 3; ++column) EXPECT_EQ(cell(row, column), "<none>");
    for (int row : {1, 2, 4})
        for (int column = 1; column <= 3; ++column) EXPECT_EQ(cell(row, column), "0.0");
    EXPECT_EQ(table.headingRow("B"), 3);
    EXPECT_EQ(table.headingRow("a1"), -1);  // a marker row is no heading
}

TEST_F(Table, EmptyGroupsAndDuplicatesAreAppendedAsGiven) {
    table.appendMarkerGroup("Empty", QStringList());
    EXPECT_EQ(table.rowCount(), 1);
    table.appendMarkerGroup("A", QStringList({"a"}));
    table.appendMarkerGroup("A", QStringList({"a"}));
    EXPECT_EQ(table.rowCount(), 5);
    EXPECT_EQ(table.headingRow("A"), 1);  // the first of the two
}

TEST_F(Table, HeadingMatchIgnoresCoordinateCellsAndMarkerNames) {
    table.appendMarkerGroup("A", QStringList({"0.0", "B"}));
    table.appendMarkerGroup("0.0", QStringList({"x"}));
    table.appendMarkerGroup("B", QStringList());
    EXPECT_EQ(table.headingRow("0.0"), 3);
    EXPECT_EQ(table.headingRow("B"), 5);
    table.setMarkerCoordinates(4, 123.456789, -0.5, 1e-7);
    EXPECT_EQ(cell(4, 1), "123.457");
    EXPECT_EQ(cell(4, 2), "-0.5");
    EXPECT_EQ(cell(4, 3), "1e-07");
    table.setMarkerCoordinates(3, 1, 2, 3);  // a heading row has no cells to write: left alone
    EXPECT_EQ(cell(3, 1), "<none>");
}

// Lookups are answered from an index of the headings: it must follow every change of the rows.
TEST_F(Table, HeadingLookupsFollowChangedRows) {
    table.appendMarkerGroup("A", QStringList({"a1"}));
    table.appendMarkerGroup("B", QStringList({"b1"}));
    ASSERT_EQ(table.headingRow("B"), 2);
    table.insertRow(0);  // rows moved down
    EXPECT_EQ(table.headingRow("B"), 3);
    table.item(1, 0)->setText("C");  // a heading renamed
    EXPECT_EQ(table.headingRow("A"), -1);
    EXPECT_EQ(table.headingRow("C"), 1);
    table.setItem(3, 1, new QTableWidgetItem("x"));  // a heading that is a heading no more
    EXPECT_EQ(table.headingRow("B"), -1);
    table.clearRows();
    table.appendMarkerGroup("B", QStringList());
    EXPECT_EQ(table.headingRow("B"), 0);
    EXPECT_EQ(table.headingRow("C"), -1);
}

// A frame's coordinate writes reach the views as one change over the rows written, with the same texts.
TEST_F(Table, AFramesWritesAreOneChangeForTheViews) {
    table.appendMarkerGroup("A", QStringList({"a1", "a2", "a3"}));
    std::vector<std::pair<QModelIndex, QModelIndex>> changes;
    QObject::connect(table.model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) { changes.emplace_back(from, to); });
    table.beginCoordinateWrites();
    table.setMarkerCoordinates(3, 7, 8, 9);
    table.setMarkerCoordinates(2, 1.5, 2.5, 3.5);
    table.setMarkerCoordinates(0, 1, 1, 1);  // a heading: nothing written
    EXPECT_TRUE(changes.empty());
    table.endCoordinateWrites();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, table.model()->index(2, 1));
    EXPECT_EQ(changes[0].second, table.model()->index(3, 3));
    EXPECT_EQ(cell(2, 2), "2.5");
    EXPECT_EQ(cell(3, 3), "9");
    table.setMarkerCoordinates(1, 4, 5, 6);  // outside a frame: every cell tells its change
    EXPECT_EQ(changes.size(), 4u);
    EXPECT_EQ(table.headingRow("A"), 0);
}

TEST_F(Table, ClearRowsKeepsColumnsAndHeader) {
    table.clearRows();
    EXPECT_EQ(table.rowCount(), 0);
    table.appendMarkerGroup("A", QStringList({"a1", "a2"}));
    table.clearRows();
    EXPECT_EQ(table.rowCount(), 0);
    ASSERT_EQ(table.columnCount(), 4);
    EXPECT_EQ(table.horizontalHeaderItem(3)->text(), "Z");
}

TEST_F(Table, CellsCannotBeEdited) {
    table.appendMarkerGroup("A", QStringList({"a1"}));
    table.resize(400, 300);
    table.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&table));
    const QRect rect = table.visualItemRect(table.item(1, 1));
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    table.setCurrentCell(1, 0);
    QTest::keyClicks(table.viewport(), "xyz");
    QTest::keyClick(table.viewport(), Qt::Key_F2);
    EXPECT_EQ(table.findChild<QLineEdit*>(), nullptr);
    EXPECT_EQ(cell(1, 0), "a1");
    EXPECT_EQ(cell(1, 1), "0.0");
}

}  // namespace
