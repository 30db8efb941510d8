#pragma once
// Objects that exist from the moment the module is loaded until it is unloaded.

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

#include <maya/MString.h>
#include <maya/MTypeId.h>

namespace orvane {
namespace plugin {

extern const MTypeId markerTransformTypeId;        // 0x81109
extern const MTypeId markerTransformMatrixTypeId;  // 0x8110A
// The host layout widget holding the panel; reads null once the host has destroyed it.
extern QPointer<QWidget> workspaceWidget;
// The panel the command made last, owned by the host layout it was added to; reads null once destroyed.
// Unloading deletes it if closing its control left it alive.
extern QPointer<QWidget> panelWidget;
extern const MString commandName;  // "OrvanePluginWindow"
// The module's instance handle, which the load entry MFnPlugin.h defines on Windows records
// (MhInstPlugin); null elsewhere.
void* moduleInstance();

}  // namespace plugin
}  // namespace orvane
