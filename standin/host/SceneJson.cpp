#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include "SceneJson.h"

#include <maya/MAnimControl.h>
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MItDag.h>
#include <maya/MMatrix.h>
#include <mayastandin/Host.h>

namespace {
// The time slider in the UI unit, as currentTime and playbackOptions give it.
QByteArray timeJson() {
    const MTime::Unit unit = MTime::uiUnit();
    std::string unitName;
    mayastandin::execute("currentUnit -q -time", &unitName);
    QJsonObject time;
    time.insert(QStringLiteral("unit"), QString::fromStdString(unitName));
    time.insert(QStringLiteral("current"), MAnimControl::currentTime().as(unit));
    time.insert(QStringLiteral("min"), MAnimControl::minTime().as(unit));
    time.insert(QStringLiteral("max"), MAnimControl::maxTime().as(unit));
    time.insert(QStringLiteral("animationStart"), MAnimControl::animationStartTime().as(unit));
    time.insert(QStringLiteral("animationEnd"), MAnimControl::animationEndTime().as(unit));
    return QJsonDocument(time).toJson(QJsonDocument::Compact);
}
}  // namespace

// One node a line: readable, and still one JSON document.
QByteArray sceneJson() {
    QByteArray out = "{\"time\": " + timeJson() + ",\n\"nodes\": [";
    bool first = true;
    for (MItDag it(MItDag::kDepthFirst); !it.isDone(); it.next()) {
        if (it.depth() == 0) continue;  // the world
        MDagPath path;
        it.getPath(path);
        const MObject node = it.currentItem();
        MFnDagNode dag(node);
        const std::string fullPath = dag.fullPathName().asChar();
        std::string own;
        mayastandin::execute("getAttr \"" + fullPath + ".visibility\"", &own);
        QJsonArray matrix;
        const MMatrix m = path.inclusiveMatrix();
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) matrix.append(m(r, c));
        QJsonObject entry;
        entry.insert(QStringLiteral("path"), QString::fromStdString(fullPath));
        entry.insert(QStringLiteral("type"), QString::fromUtf8(dag.typeName().asChar()));
        entry.insert(QStringLiteral("visibility"), own == "1");
        entry.insert(QStringLiteral("visibleInWorld"), path.isVisible());
        entry.insert(QStringLiteral("worldMatrix"), matrix);
        out += first ? "\n  " : ",\n  ";
        out += QJsonDocument(entry).toJson(QJsonDocument::Compact);
        first = false;
    }
    out += "\n]}\n";
    return out;
}
