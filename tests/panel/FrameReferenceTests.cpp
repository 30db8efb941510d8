// Frame application with the panel's own table, against a pass written the plain way on the same recorded
// stream: every cell formatted with QString::number and set, a hide or show command for every bone, a
// path and a function set made anew for every node. After every frame the scene and the table must be the
// same, to the last bit and the last character.

#include <QtCore/QThread>
#include <QtWidgets/QCheckBox>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MItDag.h>
#include <maya/MPlug.h>
#include <maya/MQuaternion.h>
#include <maya/MString.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "FrameApplier.h"
#include "OrvanePluginSDK.h"
#include "PanelMarkerTable.h"
#include "PanelTestSupport.h"
#include "QMarkerTableWidget.h"
#include "SceneBuilder.h"
#include "orvane/tracker/Control.h"

namespace {

namespace tracker = orvane::tracker;
using orvane::scene::NodeLists;

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

// Filled on the SDK's thread; the test thread reads the count under the lock while streaming, and the frames
// once stopClient has ended that thread.
std::vector<sFrameOfMocapData*> recorded;
std::mutex recordedMutex;
const std::size_t kFrames = 90;

void record(sFrameOfMocapData* frame, void*) {
    const std::lock_guard<std::mutex> lock(recordedMutex);
    if (recorded.size() >= kFrames) return;
    sFrameOfMocapData* copy = new sFrameOfMocapData();
    sdk()->copyFrameV2(frame, copy);
    recorded.push_back(copy);
}

std::size_t recordedCount() {
    const std::lock_guard<std::mutex> lock(recordedMutex);
    return recorded.size();
}

// The first heading row (a name in column 0, no item in column 1) of that name, or -1.
int headingRow(const QTableWidget& table, const QString& name) {
    for (int row = 0; row < table.rowCount(); ++row) {
        const QTableWidgetItem* heading = table.item(row, 0);
        if (heading != nullptr && table.item(row, 1) == nullptr && heading->text() == name) return row;
    }
    return -1;
}

void runCommand(const char* templateText, const MDagPath& path) {
    MString command;
    command.format(MString(templateText), path.fullPathName());
    MGlobal::executeCommand(command, false, false);
}

// One frame, the plain way.
void applyPlainly(const sFrameOfMocapData& frame, const NodeLists& joints, const NodeLists& markers,
                  QTableWidget& table, bool refresh) {
    for (int i = 0; i < frame.markerSetCount && i < static_cast<int>(markers.size()); ++i) {
        const sMarkerSetFrame& set = frame.markerSets[i];
        const int heading = headingRow(table, QString::fromUtf8(set.name));
        if (heading < 0) continue;
        for (int j = 0; j < set.markerCount && j < static_cast<int>(markers[i].size()); ++j) {
            if (refresh)
                for (int c = 1; c <= 3; ++c)
                    if (QTableWidgetItem* cell = table.item(heading + 1 + j, c))
                        cell->setText(QString::number(static_cast<double>(set.markers[j][c - 1]), 'g', 6));
            MObject node = markers[i][j].object();
            MDagPath path;
            MFnDagNode(node).getPath(path);
            if (!path.isValid()) continue;
            MFnTransform(path).setTranslation(MVector(set.markers[j][0], set.markers[j][1], set.markers[j][2]) * 0.1f,
                                              MSpace::kWorld);
        }
    }
    for (int k = 0; k < frame.skeletonCount && k < static_cast<int>(joints.size()); ++k) {
        const sSkeletonFrame& skeleton = frame.skeletons[k];
        for (int l = 0; l < skeleton.boneCount && l < static_cast<int>(joints[k].size()); ++l) {
            MObject node = joints[k][l].object();
            MDagPath path;
            MFnDagNode(node).getPath(path);
            if (!path.isValid()) continue;
            const sBodyPose& pose = skeleton.bones[l];
            if (l != 0 && orvane::scene::isUntrackedPose(pose)) {
                runCommand("hide `ls -an ^1s`;", path);
                continue;
            }
            runCommand("showHidden  `ls -an ^1s`;", path);
            MFnTransform transform(path);
            transform.setTranslation(MVector(pose.x, pose.y, pose.z) * 0.1f, MSpace::kWorld);
            transform.setRotation(MQuaternion(pose.qx, pose.qy, pose.qz, pose.qw), MSpace::kWorld);
        }
    }
}

// Every DAG node's path, own visibility and local transform to the bit, then every cell of the table.
std::vector<std::string> state(const QTableWidget& table) {
    std::vector<std::string> lines;
    for (MItDag it; !it.isDone(); it.next()) {
        MObject node = it.currentItem();
        if (node.hasFn(MFn::kWorld) || !node.hasFn(MFn::kTransform)) continue;
        MDagPath path;
        it.getPath(path);
        const MFnTransform transform(path);
        const MVector t = transform.getTranslation(MSpace::kTransform);
        MQuaternion q;
        transform.getRotation(q, MSpace::kTransform);
        const bool own = MFnDependencyNode(node).findPlug("visibility", true).asBool();
        char line[512];
        std::snprintf(line, sizeof line, "%s %d t=(%a %a %a) q=(%a %a %a %a)", path.fullPathName().asChar(), own, t.x,
                      t.y, t.z, q.x, q.y, q.z, q.w);
        lines.push_back(line);
    }
    for (int row = 0; row < table.rowCount(); ++row)
        for (int column = 0; column < table.columnCount(); ++column) {
            const QTableWidgetItem* cell = table.item(row, column);
            lines.push_back(cell ? cell->text().toStdString() : "<none>");
        }
    return lines;
}

// Three performers with raw names, markers unseen now and then and bones dropping out for whole windows;
// the refresh switched off for a stretch; between two frames the user hides a tracked bone, moves a marker
// set and edits a coordinate cell by hand.
TEST(FrameReference, PanelTableAndSceneMatchThePlainPassFrameByFrame) {
    panelsupport::app();
    tracker::resetForTests();
    tracker::SyntheticOptions options;
    options.performers = 3;
    options.rawNames = true;
    options.markerDropout = 0.05;
    options.boneDropout = 0.2;
    options.rateHz = 1000;
    tracker::useSyntheticSource(options);
    sdk()->setVersion(SDKVER_V2);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0);
    sDataDescriptions* descriptions = nullptr;
    sdk()->getDataDescriptionsV2(&descriptions);
    ASSERT_NE(descriptions, nullptr);
    sdk()->setDataHandlerV2(record);
    sdk()->startClient();
    const bool enough = panelsupport::spinUntil([] { return recordedCount() >= kFrames; });
    sdk()->stopClient();
    ASSERT_TRUE(enough);

    std::vector<std::vector<std::string>> states[2];
    for (int plain = 0; plain < 2; ++plain) {
        mayastandin::resetScene();
        QMarkerTableWidget table;
        table.setColumnCount(4);
        QCheckBox refresh;
        PanelMarkerTable view(&table, &refresh);
        MDagModifier modifier;
        NodeLists joints, markers;
        orvane::scene::SceneBuilder(modifier, joints, markers, view).buildV2(descriptions);
        ASSERT_FALSE(joints.empty());
        ASSERT_FALSE(markers.empty());
        for (std::size_t f = 0; f < kFrames; ++f) {
            refresh.setChecked(f < 30 || f >= 45);
            if (f == 60) {
                MObject joint = joints[0][3].object(), marker = markers[1][0].object();
                ASSERT_TRUE(mayastandin::execute("hide " + std::string(MFnDagNode(joint).fullPathName().asChar())));
                MDagPath set;
                MFnDagNode(MFnDagNode(marker).parent(0)).getPath(set);
                MFnTransform(set).setTranslation(MVector(12, -3, 40), MSpace::kTransform);
                MFnTransform(set).setRotation(MQuaternion(0, 0.6, 0, 0.8), MSpace::kTransform);
                table.item(2, 1)->setText("edited");
            }
            if (plain)
                applyPlainly(*recorded[f], joints, markers, table, refresh.isChecked());
            else
                orvane::scene::applyFrameV2(*recorded[f], joints, markers, view);
            states[plain].push_back(state(table));
        }
    }
    sdk()->freeDataDescriptionsV2(descriptions);
    sdk()->releaseClient();
    for (sFrameOfMocapData* frame : recorded) {
        sdk()->freeFrameV2(frame);
        delete frame;
    }
    recorded.clear();
    tracker::resetForTests();

    for (std::size_t f = 0; f < kFrames; ++f) {
        ASSERT_EQ(states[0][f].size(), states[1][f].size()) << "after frame " << f;
        for (std::size_t line = 0; line < states[0][f].size(); ++line)
            ASSERT_EQ(states[0][f][line], states[1][f][line]) << "after frame " << f << ", line " << line;
    }
}

}  // namespace
