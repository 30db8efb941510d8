#include "ModuleObjects.h"

namespace orvane {
namespace plugin {

const MTypeId markerTransformTypeId(0x81109);
const MTypeId markerTransformMatrixTypeId(0x8110A);
QPointer<QWidget> workspaceWidget;
QPointer<QWidget> panelWidget;
const MString commandName("OrvanePluginWindow");
void* moduleInstance() {
#if defined(NT_PLUGIN)
    return MhInstPlugin;
#else
    return nullptr;
#endif
}

}  // namespace plugin
}  // namespace orvane
