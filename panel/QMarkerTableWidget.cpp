#include "QMarkerTableWidget.h"

#include <QtWidgets/QAbstractItemView>

namespace {
const char* const kZero = "0.0";
}

QMarkerTableWidget::QMarkerTableWidget(QWidget* parent) : QTableWidget(parent) {
    setHorizontalHeaderLabels(QStringList({"Name", "X", "Y", "Z"}));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QAbstractItemModel* rows = model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, &QMarkerTableWidget::invalidateHeadings);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &QMarkerTableWidget::invalidateHeadings);
    connect(rows, &QAbstractItemModel::rowsMoved, this, &QMarkerTableWidget::invalidateHeadings);
    connect(rows, &QAbstractItemModel::modelReset, this, &QMarkerTableWidget::invalidateHeadings);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &QMarkerTableWidget::invalidateHeadings);
    // Coordinate writes (columns 1-3) leave the index alone; a name cell's change does not.
    connect(rows, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft, const QModelIndex&) {
        if (topLeft.column() == 0) invalidateHeadings();
    });
}

QMarkerTableWidget::~QMarkerTableWidget() {}

void QMarkerTableWidget::appendMarkerGroup(const QString& name, const QStringList& markerNames) {
    insertRow(rowCount());
    setItem(rowCount() - 1, 0, new QTableWidgetItem(name));
    for (const QString& marker : markerNames) {
        insertRow(rowCount());
        QTableWidgetItem* nameItem = new QTableWidgetItem(marker);
        QTableWidgetItem* x = new QTableWidgetItem(kZero);
        QTableWidgetItem* y = new QTableWidgetItem(kZero);
        QTableWidgetItem* z = new QTableWidgetItem(kZero);
        const int row = rowCount() - 1;
        setItem(row, 0, nameItem);
        setItem(row, 1, x);
        setItem(row, 2, y);
        setItem(row, 3, z);
    }
}

void QMarkerTableWidget::clearRows() {
    while (rowCount() != 0) removeRow(0);
}

bool QMarkerTableWidget::isHeading(int row, const QString& name) const {
    const QTableWidgetItem* heading = item(row, 0);
    return heading != nullptr && item(row, 1) == nullptr && heading->text() == name;
}

int QMarkerTableWidget::headingRow(const QString& name) const {
    if (headingsValid_) {
        const QHash<QString, int>::const_iterator found = headings_.constFind(name);
        if (found == headings_.constEnd()) return -1;
        if (isHeading(found.value(), name)) return found.value();
        // A heading lost its standing by a change the index does not follow (an item set into its
        // coordinate cells): read the rows again.
    }
    headings_.clear();
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        const QTableWidgetItem* heading = item(row, 0);
        if (heading != nullptr && item(row, 1) == nullptr && !headings_.contains(heading->text()))
            headings_.insert(heading->text(), row);
    }
    headingsValid_ = true;
    return headings_.value(name, -1);
}

void QMarkerTableWidget::setMarkerCoordinates(int row, double x, double y, double z) {
    const double values[3] = {x, y, z};
    bool written = false;
    for (int column = 1; column <= 3; ++column) {
        QTableWidgetItem* cell = item(row, column);
        if (cell == nullptr) continue;
        cell->setText(QString::number(values[column - 1], 'g', 6));
        written = true;
    }
    if (!batching_ || !written) return;
    if (firstWritten_ < 0 || row < firstWritten_) firstWritten_ = row;
    if (row > lastWritten_) lastWritten_ = row;
}

void QMarkerTableWidget::beginCoordinateWrites() {
    batching_ = true;
    firstWritten_ = lastWritten_ = -1;
    modelWasBlocked_ = model()->blockSignals(true);
}

void QMarkerTableWidget::endCoordinateWrites() {
    if (!batching_) return;
    batching_ = false;
    QAbstractItemModel* rows = model();
    rows->blockSignals(modelWasBlocked_);
    if (firstWritten_ >= 0 && !modelWasBlocked_)
        emit rows->dataChanged(rows->index(firstWritten_, 1), rows->index(lastWritten_, 3));
}
