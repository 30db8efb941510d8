#include "QMarkerTableWidget.h"

#include <QtWidgets/QAbstractItemView>

namespace {
const char* const kZero = "0.0";
}

QMarkerTableWidget::QMarkerTableWidget(QWidget* parent) : QTableWidget(parent) {
    setHorizontalHeaderLabels(QStringList({"Name", "X", "Y", "Z"}));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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

int QMarkerTableWidget::headingRow(const QString& name) const {
    const int rows = rowCount();
    for (int row = 0; row < rows; ++row) {
        const QTableWidgetItem* heading = item(row, 0);
        if (heading != nullptr && item(row, 1) == nullptr && heading->text() == name) return row;
    }
    return -1;
}

void QMarkerTableWidget::setMarkerCoordinates(int row, double x, double y, double z) {
    const double values[3] = {x, y, z};
    for (int column = 1; column <= 3; ++column) {
        QTableWidgetItem* cell = item(row, column);
        if (cell != nullptr) cell->setText(QString::number(values[column - 1], 'g', 6));
    }
}
