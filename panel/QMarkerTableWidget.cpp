#include "QMarkerTableWidget.h"

#include <QtWidgets/QAbstractItemView>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
const char* const kZero = "0.0";

// Exact powers of ten, 10^0 to 10^8.
const double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
// 10^-2 to 10^4: from each on, the leading digit's exponent is one higher.
const double kExponentSteps[] = {1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4};
}  // namespace

// Six significant digits in positional notation, trailing zeros dropped, as the 'g' format writes a number
// whose decimal exponent lies between -3 and 4. The digits come from the value scaled by an exact power of
// ten and rounded to an integer; that rounding is right unless the scaled value lies within a millionth of
// a half (the scaling's error is below 1e-10), and then, as for every other value, Qt formats it.
QString QMarkerTableWidget::coordinateText(double value) {
    if (value == 0.0 && !std::signbit(value)) return QStringLiteral("0");  // an untracked marker's
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-3 && magnitude < 1e5)) return QString::number(value, 'g', 6);
    int exponent = -3;  // of the leading digit
    while (exponent < 4 && magnitude >= kExponentSteps[exponent + 3]) ++exponent;
    const double scaled = magnitude * kPowersOfTen[5 - exponent];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (whole < 1e5 || whole >= 1e6 || std::fabs(fraction - 0.5) < 1e-6) return QString::number(value, 'g', 6);
    unsigned digits = static_cast<unsigned>(whole) + (fraction > 0.5 ? 1u : 0u);
    if (digits >= 1000000u) {  // rounded up to the next power of ten
        digits /= 10u;
        if (++exponent > 4) return QString::number(value, 'g', 6);
    }
    char six[6];
    for (int i = 5; i >= 0; --i, digits /= 10u) six[i] = static_cast<char>('0' + digits % 10u);
    int significant = 6;
    while (significant > 1 && six[significant - 1] == '0') --significant;

    // "-", the integer digits or "0", then "." and the rest when there is any.
    const bool negative = value < 0;
    const int integerDigits = exponent >= 0 ? exponent + 1 : 1;
    const int fractionDigits = exponent >= 0 ? std::max(significant - integerDigits, 0) : significant - exponent - 1;
    QString text(static_cast<int>(negative) + integerDigits + (fractionDigits > 0 ? 1 + fractionDigits : 0),
                 Qt::Uninitialized);
    QChar* out = text.data();
    if (negative) *out++ = QLatin1Char('-');
    if (exponent >= 0) {
        for (int i = 0; i < integerDigits; ++i) *out++ = QLatin1Char(six[i]);
        if (fractionDigits > 0) *out++ = QLatin1Char('.');
        for (int i = integerDigits; i < significant; ++i) *out++ = QLatin1Char(six[i]);
    } else {
        *out++ = QLatin1Char('0');
        *out++ = QLatin1Char('.');
        for (int i = -1; i > exponent; --i) *out++ = QLatin1Char('0');
        for (int i = 0; i < significant; ++i) *out++ = QLatin1Char(six[i]);
    }
    return text;
}

QMarkerTableWidget::QMarkerTableWidget(QWidget* parent) : QTableWidget(parent) {
    setHorizontalHeaderLabels(QStringList({"Name", "X", "Y", "Z"}));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QAbstractItemModel* rows = model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, &QMarkerTableWidget::invalidateIndexes);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, &QMarkerTableWidget::invalidateIndexes);
    connect(rows, &QAbstractItemModel::rowsMoved, this, &QMarkerTableWidget::invalidateIndexes);
    connect(rows, &QAbstractItemModel::modelReset, this, &QMarkerTableWidget::invalidateIndexes);
    connect(rows, &QAbstractItemModel::layoutChanged, this, &QMarkerTableWidget::invalidateIndexes);
    // A cell's change may be an item set or taken: the coordinate items are looked up again, and the heading
    // index too when a name cell changed. The table's own coordinate writes replace no item.
    connect(rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (ownWrites_) return;
                if (topLeft.column() == 0) headingsValid_ = false;
                if (bottomRight.column() >= 1) cellsValid_ = false;
            });
}

void QMarkerTableWidget::invalidateIndexes() {
    headingsValid_ = false;
    cellsValid_ = false;
}

QMarkerTableWidget::CoordinateCell* QMarkerTableWidget::coordinateCell(int row, int column) {
    const int rows = rowCount();
    if (!cellsValid_) {
        cells_.assign(static_cast<std::size_t>(rows) * 3, CoordinateCell());
        for (int r = 0; r < rows; ++r)
            for (int c = 1; c <= 3; ++c) cells_[static_cast<std::size_t>(r) * 3 + (c - 1)].item = item(r, c);
        cellsValid_ = true;
    }
    if (row < 0 || row >= rows || column < 1 || column > 3) return nullptr;
    return &cells_[static_cast<std::size_t>(row) * 3 + (column - 1)];
}

// The model is the table's child: QWidget's destructor deletes it after this class's members are gone, and the
// model announces its reset as it goes. Its connections to this table end here, before that.
QMarkerTableWidget::~QMarkerTableWidget() { model()->disconnect(this); }

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
        CoordinateCell* cell = coordinateCell(row, column);
        if (cell == nullptr || cell->item == nullptr) continue;
        // The same number as last written gives the same text.
        std::uint64_t bits;
        std::memcpy(&bits, &values[column - 1], sizeof bits);
        if (cell->written && cell->bits == bits) continue;
        written = true;
        ownWrites_ = true;
        cell->item->setText(coordinateText(values[column - 1]));
        ownWrites_ = false;
        cell->written = true;
        cell->bits = bits;
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
    if (firstWritten_ >= 0 && !modelWasBlocked_) {
        ownWrites_ = true;
        emit rows->dataChanged(rows->index(firstWritten_, 1), rows->index(lastWritten_, 3));
        ownWrites_ = false;
    }
}
