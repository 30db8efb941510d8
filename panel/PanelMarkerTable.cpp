#include "PanelMarkerTable.h"

#include <QtWidgets/QCheckBox>

#include "QMarkerTableWidget.h"

namespace {
QString text(const orvane::RecordName& name) { return QString::fromUtf8(name.data, static_cast<int>(name.length)); }
}  // namespace

void PanelMarkerTable::appendMarkerGroup(const orvane::RecordName& name,
                                         const std::vector<orvane::RecordName>& markerNames) {
    QStringList names;
    names.reserve(static_cast<int>(markerNames.size()));
    for (const orvane::RecordName& marker : markerNames) names << text(marker);
    table_->appendMarkerGroup(text(name), names);
}

int PanelMarkerTable::rowCount() const { return table_->rowCount(); }

int PanelMarkerTable::headingRow(const orvane::RecordName& name) const { return table_->headingRow(text(name)); }

bool PanelMarkerTable::refreshEnabled() const { return refresh_->isChecked(); }

void PanelMarkerTable::setMarkerCoordinates(int row, double x, double y, double z) {
    table_->setMarkerCoordinates(row, x, y, z);
}

void PanelMarkerTable::beginFrame() { table_->beginCoordinateWrites(); }

void PanelMarkerTable::endFrame() { table_->endCoordinateWrites(); }
