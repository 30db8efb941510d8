#pragma once
// What scene building and frame application need of the panel's marker table. Names are the
// descriptions' raw names (UTF-8); rows follow the table's group layout (marker j of a group on the
// heading row + 1 + j). Called on the UI thread only.

#include <string>
#include <vector>

#include "RecordAccess.h"

namespace orvane {
namespace scene {

class MarkerGroupTable {
public:
    virtual ~MarkerGroupTable() {}
    virtual void appendMarkerGroup(const RecordName& name, const std::vector<RecordName>& markerNames) = 0;
    virtual int rowCount() const = 0;
    // Heading row of the first group called `name`, or -1.
    virtual int headingRow(const RecordName& name) const = 0;
    // Whether frames write live coordinates into the table.
    virtual bool refreshEnabled() const = 0;
    virtual void setMarkerCoordinates(int row, double x, double y, double z) = 0;
    // Bracket the coordinate writes of one frame, so a table can tell its views once per frame instead of
    // once per cell.
    virtual void beginFrame() {}
    virtual void endFrame() {}
};

}  // namespace scene
}  // namespace orvane
