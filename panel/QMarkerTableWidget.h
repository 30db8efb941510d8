#pragma once
// The panel's read-only table of marker sets: per group a heading row (the set's name in column 0, no
// items in columns 1-3), then one row per marker (name, then X, Y, Z starting at "0.0"). Marker j of a
// group lies on the heading row + 1 + j. Rows stay in insertion order; only clearRows removes them.

#include <QtCore/QHash>
#include <QtCore/QStringList>
#include <QtWidgets/QTableWidget>

#include <cstdint>
#include <vector>

class QMarkerTableWidget : public QTableWidget {
    Q_OBJECT

public:
    explicit QMarkerTableWidget(QWidget* parent = nullptr);
    ~QMarkerTableWidget() override;

    void appendMarkerGroup(const QString& name, const QStringList& markerNames);
    void clearRows();

    // The row of the first group headed `name`, or -1. Only heading rows match: a marker row or a
    // coordinate cell with the same text never does. Asked once per group and frame: answered from an index
    // of the heading rows, rebuilt after any change of the rows or of a name cell.
    int headingRow(const QString& name) const;
    // Writes a marker's coordinates into columns 1-3 of `row`; cells without an item are left alone, and so is a
    // cell that still shows the same number.
    void setMarkerCoordinates(int row, double x, double y, double z);
    // The text of a coordinate: exactly QString::number(value, 'g', 6), several times faster for the values a
    // live table mostly shows (0.001 <= |value| < 100000).
    static QString coordinateText(double value);
    // Between these two, coordinate writes are told to the views once, as one change of the rows written,
    // instead of once per cell. Not nested; the end comes on the same thread before control returns to the
    // event loop.
    void beginCoordinateWrites();
    void endCoordinateWrites();

private:
    bool isHeading(int row, const QString& name) const;
    void invalidateIndexes();
    // A coordinate cell's item (owned by the table) and the number last written into it by this table.
    struct CoordinateCell {
        QTableWidgetItem* item = nullptr;
        bool written = false;
        std::uint64_t bits = 0;  // of the double
    };
    // Every row's three, kept until the model announces a change that may have set, taken or moved an item
    // or changed a text; null outside the coordinate cells.
    CoordinateCell* coordinateCell(int row, int column);

    mutable QHash<QString, int> headings_;  // name -> first heading row of that name
    mutable bool headingsValid_ = false;
    std::vector<CoordinateCell> cells_;  // row * 3 + column - 1
    bool cellsValid_ = false;
    bool ownWrites_ = false;  // a coordinate write, or its announcement to the views, is under way
    bool batching_ = false;
    bool modelWasBlocked_ = false;
    int firstWritten_ = -1, lastWritten_ = -1;  // rows written while batching
};
