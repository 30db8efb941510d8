#pragma once
// The panel's marker table and refresh check box, as scene building and frame application see them.
// A light view over the widgets: make one where needed, it owns nothing.

#include "MarkerGroupTable.h"

class QCheckBox;
class QMarkerTableWidget;

class PanelMarkerTable : public orvane::scene::MarkerGroupTable {
public:
    PanelMarkerTable(QMarkerTableWidget* table, const QCheckBox* refresh) : table_(table), refresh_(refresh) {}

    void appendMarkerGroup(const orvane::RecordName& name, const std::vector<orvane::RecordName>& markerNames) override;
    int rowCount() const override;
    int headingRow(const orvane::RecordName& name) const override;
    bool refreshEnabled() const override;
    void setMarkerCoordinates(int row, double x, double y, double z) override;
    void beginFrame() override;
    void endFrame() override;

private:
    QMarkerTableWidget* table_;
    const QCheckBox* refresh_;
};
