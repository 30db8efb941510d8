#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include "SceneJson.h"

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MItDag.h>
#include <maya/MMatrix.h>
#include <mayastandin/Host.h>

// One node a line: readable, and still one JSON document.
QByteArray sceneJson() {
    QByteArray out = "{\"nodes\": [";
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
