// The marker table: group layout, empty groups, duplicates, clearing, and no editing.

#include <QtTest/QTest>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLineEdit>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
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

// Coordinate texts must read exactly as QString::number(value, 'g', 6) writes them: stream floats over every
// magnitude, values on either side of a power of ten, values that round up to one, ties and near-ties at the
// sixth digit, zeros, NaN, infinities and denormals.
TEST(CoordinateText, IsExactlyWhatQtWritesForEveryValue) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -20.0,
                                  0.25,
                                  1234.5,
                                  123.456789,
                                  99999.95,
                                  99999.949999999,
                                  9.999995,
                                  9.9999949999,
                                  0.00999999,
                                  0.001,
                                  0.0009999995,
                                  100000.5,
                                  1234.565,
                                  0.0015,
                                  12345.65,
                                  2.5e-7,
                                  5e-324,
                                  std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    for (int e = -6; e <= 8; ++e) {
        const double p = std::pow(10.0, e);
        for (double v :
             {p, std::nextafter(p, 0.0), std::nextafter(p, 1e300), p * 0.9999995, p * 0.99999949, p * 0.99999951})
            values.push_back(v);
    }
    std::mt19937 random(20180);
    std::uniform_real_distribution<double> exponent(-6.0, 8.0), unit(-1.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const double v = std::pow(10.0, exponent(random)) * (unit(random) < 0 ? -1 : 1);
        values.push_back(v);
        values.push_back(static_cast<float>(v));                            // a stream coordinate widened to double
        values.push_back(std::round(v * 1e4) / 1e4 + 5e-7 * unit(random));  // close to a sixth-digit tie
    }
    int wrong = 0;
    for (double v : values) {
        const QString expected = QString::number(v, 'g', 6), got = QMarkerTableWidget::coordinateText(v);
        if (got != expected && ++wrong <= 10)
            ADD_FAILURE() << std::hexfloat << v << ": " << got.toStdString() << " instead of "
                          << expected.toStdString();
    }
    EXPECT_EQ(wrong, 0);
}

// Frames write through items looked up once, and skip a cell that still shows the number they would write:
// any item set, taken or moved since must be found again, or a write would land in a deleted item, and a
// text changed by anyone else must be written again.
TEST_F(Table, CoordinateWritesFollowReplacedTakenAndMovedItems) {
    table.appendMarkerGroup("A", QStringList({"a1", "a2"}));
    auto frame = [&](int row, double v) {
        table.beginCoordinateWrites();
        table.setMarkerCoordinates(row, v, v, v);
        table.endCoordinateWrites();
    };
    frame(1, 1);
    table.setItem(1, 2, new QTableWidgetItem("new"));  // deletes the item written before
    std::unique_ptr<QTableWidgetItem> taken(table.takeItem(1, 3));
    frame(1, 2);
    EXPECT_EQ(cell(1, 1), "2");
    EXPECT_EQ(cell(1, 2), "2");
    EXPECT_EQ(cell(1, 3), "<none>");
    EXPECT_EQ(taken->text(), "1");

    table.item(1, 1)->setText("edited");  // by someone else: the same number is written again
    frame(1, 2);
    EXPECT_EQ(cell(1, 1), "2");

    table.setMarkerCoordinates(2, 3, 3, 3);  // outside a frame, then rows inserted above
    table.insertRow(0);
    frame(3, 4);
    EXPECT_EQ(cell(3, 1), "4");
    EXPECT_EQ(cell(2, 1), "2");  // the row written first, moved down
    table.clearRows();
    table.appendMarkerGroup("B", QStringList({"b1"}));
    frame(1, 5);
    EXPECT_EQ(cell(1, 2), "5");
    frame(5, 6);  // past the last row: nothing
    EXPECT_EQ(table.rowCount(), 2);
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
