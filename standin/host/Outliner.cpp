#include <QtGui/QPainter>
#include <QtGui/QPixmap>
#include <QtGui/QPolygonF>

#include "Outliner.h"

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MItDag.h>
#include <maya/MObjectHandle.h>
#include <mayastandin/Host.h>

#include <algorithm>

namespace {

enum class Kind { kTransform, kJoint, kLocator, kCamera };

// A shape is shown by its transform: a transform whose only children are locator (camera) shapes is a locator
// (camera).
Kind kindOf(const MObject& node) {
    if (node.hasFn(MFn::kJoint)) return Kind::kJoint;
    MFnDagNode dag(node);
    const unsigned count = dag.childCount();
    if (count == 0) return Kind::kTransform;
    const MFn::Type shape = dag.child(0).hasFn(MFn::kCamera) ? MFn::kCamera : MFn::kLocator;
    for (unsigned i = 0; i < count; ++i)
        if (!dag.child(i).hasFn(shape)) return Kind::kTransform;
    return shape == MFn::kCamera ? Kind::kCamera : Kind::kLocator;
}

QIcon iconFor(Kind kind) {
    static QIcon icons[4];
    QIcon& icon = icons[static_cast<int>(kind)];
    if (!icon.isNull()) return icon;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
        case Kind::kTransform:
            p.setPen(QPen(QColor(170, 170, 170), 1.5));
            p.drawRect(QRectF(3.5, 3.5, 9, 9));
            break;
        case Kind::kJoint:
            p.setPen(QPen(QColor(30, 30, 30), 1.0));
            p.setBrush(QColor(240, 196, 64));
            p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
            break;
        case Kind::kLocator:
            p.setPen(QPen(QColor(80, 210, 255), 2.0));
            p.drawLine(QPointF(8, 2), QPointF(8, 14));
            p.drawLine(QPointF(2, 8), QPointF(14, 8));
            break;
        case Kind::kCamera:
            p.setPen(QPen(QColor(200, 200, 200), 1.2));
            p.setBrush(QColor(90, 90, 96));
            p.drawRect(QRectF(2.5, 5.5, 8, 6));
            p.drawPolygon(QPolygonF({QPointF(10.5, 8.5), QPointF(14.5, 5.5), QPointF(14.5, 11.5)}));
            break;
    }
    icon = QIcon(pixmap);
    return icon;
}

bool isShape(const MObject& node) { return node.hasFn(MFn::kShape); }

}  // namespace

Outliner::Outliner(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("outliner");
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformRowHeights(true);
    listener_ = mayastandin::addSceneListener([this](mayastandin::SceneChange change, const MObject&) {
        if (change == mayastandin::SceneChange::kSelection)
            selectionDirty_ = true;
        else
            structureDirty_ = true;
        if (!syncTimer_.isActive()) syncTimer_.start();
    });
    syncTimer_.setSingleShot(true);
    syncTimer_.setInterval(16);
    connect(&syncTimer_, &QTimer::timeout, this, &Outliner::sync);
    connect(&visibilityTimer_, &QTimer::timeout, this, &Outliner::refreshVisibility);
    visibilityTimer_.start(250);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &Outliner::takeSelection);
    syncTimer_.start();
}

Outliner::~Outliner() { mayastandin::removeSceneListener(listener_); }

Outliner::Entry* Outliner::find(const MObject& node) {
    auto it = entries_.find(MObjectHandle(node).hashCode());
    if (it == entries_.end()) return nullptr;
    for (Entry& e : it->second)
        if (e.node == node) return &e;
    return nullptr;
}
const Outliner::Entry* Outliner::find(const MObject& node) const { return const_cast<Outliner*>(this)->find(node); }

QTreeWidgetItem* Outliner::itemFor(const MObject& node) const {
    const Entry* e = find(node);
    return e ? e->item : nullptr;
}

MObject Outliner::nodeOf(const QTreeWidgetItem* item) const {
    auto it = nodes_.find(item);
    return it == nodes_.end() ? MObject() : it->second.object();
}

// Puts the node's item (made if new) at row under parentItem (null: top level), then its children.
void Outliner::place(const MObject& node, QTreeWidgetItem* parentItem, int row, std::vector<QTreeWidgetItem*>& seen) {
    QTreeWidgetItem* item = itemFor(node);
    if (item == nullptr) {
        item = new QTreeWidgetItem();
        entries_[MObjectHandle(node).hashCode()].push_back(Entry{MObjectHandle(node), item});
        nodes_[item] = node;
    }
    seen.push_back(item);
    QTreeWidgetItem* currentParent = item->parent();
    const bool inPlace =
        currentParent == parentItem && (parentItem ? parentItem->child(row) : topLevelItem(row)) == item;
    if (!inPlace) {
        const bool wasExpanded = item->isExpanded();
        if (currentParent)
            currentParent->removeChild(item);
        else if (item->treeWidget())
            takeTopLevelItem(indexOfTopLevelItem(item));
        if (parentItem)
            parentItem->insertChild(row, item);
        else
            insertTopLevelItem(row, item);
        item->setExpanded(wasExpanded);
    }
    const QString name = QString::fromUtf8(MFnDagNode(node).name().asChar());
    if (item->text(0) != name) item->setText(0, name);
    const Kind kind = kindOf(node);
    if (item->data(0, Qt::UserRole).toInt() != static_cast<int>(kind) + 1) {
        item->setIcon(0, iconFor(kind));
        item->setData(0, Qt::UserRole, static_cast<int>(kind) + 1);
    }
    syncChildren(node, item, seen);
}

void Outliner::syncChildren(const MObject& parent, QTreeWidgetItem* parentItem, std::vector<QTreeWidgetItem*>& seen) {
    MFnDagNode dag(parent);
    const unsigned count = dag.childCount();
    int row = 0;
    for (unsigned i = 0; i < count; ++i) {
        const MObject child = dag.child(i);
        if (isShape(child)) continue;
        place(child, parentItem, row++, seen);
    }
}

void Outliner::sync() {
    if (structureDirty_) {
        structureDirty_ = false;
        ++syncs_;
        std::vector<QTreeWidgetItem*> seen;
        seen.reserve(nodes_.size());
        {
            const QSignalBlocker blocker(this);  // moving selected items is not a user's selection
            MItDag it;
            syncChildren(it.root(), nullptr, seen);
        }
        // Items of nodes that are gone: every item still below them is gone too, since live ones were moved out.
        std::sort(seen.begin(), seen.end());
        std::vector<QTreeWidgetItem*> gone;
        for (auto& bucket : entries_) {
            auto& list = bucket.second;
            for (auto it = list.begin(); it != list.end();) {
                if (std::binary_search(seen.begin(), seen.end(), it->item)) {
                    ++it;
                    continue;
                }
                gone.push_back(it->item);
                nodes_.erase(it->item);
                it = list.erase(it);
            }
        }
        // Only the top item of each gone subtree is deleted (it takes the rest along); the tops are all picked
        // before the first delete, which frees items later in the list.
        std::sort(gone.begin(), gone.end());
        std::vector<QTreeWidgetItem*> tops;
        for (QTreeWidgetItem* item : gone)
            if (item->parent() == nullptr || !std::binary_search(gone.begin(), gone.end(), item->parent()))
                tops.push_back(item);
        const QSignalBlocker blocker(this);
        for (QTreeWidgetItem* item : tops) delete item;
        selectionDirty_ = true;
        refreshVisibility();
    }
    if (selectionDirty_) showSelection();
}

void Outliner::refreshVisibility() {
    const QBrush hidden(QColor(128, 128, 128));
    for (const auto& entry : nodes_) {
        if (!entry.second.isValid()) continue;  // gone since the last walk, which drops its item
        MDagPath path;
        MFnDagNode(entry.second.objectRef()).getPath(path);
        const bool visible = path.isVisible();
        auto* item = const_cast<QTreeWidgetItem*>(entry.first);
        const bool shownHidden = item->data(0, Qt::UserRole + 1).toBool();
        if (shownHidden == !visible) continue;
        item->setData(0, Qt::UserRole + 1, !visible);
        item->setForeground(0, visible ? QBrush() : hidden);
    }
}

void Outliner::showSelection() {
    selectionDirty_ = false;
    applyingSelection_ = true;
    const QSignalBlocker blocker(this);
    clearSelection();
    for (const MObject& node : mayastandin::selection()) {
        MObject shown = node;
        if (isShape(node)) shown = MFnDagNode(node).parent(0);
        if (QTreeWidgetItem* item = itemFor(shown)) item->setSelected(true);
    }
    applyingSelection_ = false;
    viewport()->update();
}

void Outliner::takeSelection() {
    if (applyingSelection_) return;
    std::vector<MObject> nodes;
    for (QTreeWidgetItem* item : selectedItems()) {
        const MObject node = nodeOf(item);
        if (!node.isNull()) nodes.push_back(node);
    }
    mayastandin::setSelection(nodes);
    selectionDirty_ = false;  // the tree already shows it
}
