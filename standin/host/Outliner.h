#pragma once
// The DAG as a tree, as Maya's outliner shows it (shapes folded into their transforms). It follows creations,
// renames, reparents and deletions from the host's structure notifications, coalesced: a burst of changes
// (a connection building hundreds of nodes) costs one walk at the next redraw tick, and only the items that
// changed are touched, so expansion and selection survive. Transform writes never reach it. Hidden nodes are
// greyed, refreshed a few times a second. Selecting items selects the nodes, and `select` selects items.
// Items hold their nodes by MObjectHandle: a node destroyed before the next walk (New Scene, a flushed undo
// queue) is never touched. Main (UI) thread only.

#include <QtCore/QTimer>
#include <QtWidgets/QTreeWidget>

#include <unordered_map>
#include <vector>

#include <maya/MObject.h>
#include <maya/MObjectHandle.h>

class Outliner : public QTreeWidget {
public:
    explicit Outliner(QWidget* parent = nullptr);
    ~Outliner() override;

    // Brings the tree up to date now (otherwise it happens at the next tick after a change).
    void sync();
    // The item that shows a node, or null.
    QTreeWidgetItem* itemFor(const MObject& node) const;
    MObject nodeOf(const QTreeWidgetItem* item) const;
    // Item walks done so far: one per burst of structure changes.
    int syncs() const { return syncs_; }

private:
    struct Entry {
        MObjectHandle node;
        QTreeWidgetItem* item;
    };
    Entry* find(const MObject& node);
    const Entry* find(const MObject& node) const;
    void place(const MObject& node, QTreeWidgetItem* parentItem, int row, std::vector<QTreeWidgetItem*>& seen);
    void syncChildren(const MObject& parent, QTreeWidgetItem* parentItem, std::vector<QTreeWidgetItem*>& seen);
    void refreshVisibility();
    void showSelection();
    void takeSelection();

    std::unordered_map<unsigned, std::vector<Entry>> entries_;  // by MObjectHandle hash
    std::unordered_map<const QTreeWidgetItem*, MObjectHandle> nodes_;
    QTimer syncTimer_;
    QTimer visibilityTimer_;
    int listener_ = 0;
    int syncs_ = 0;
    bool structureDirty_ = true;
    bool selectionDirty_ = true;
    bool applyingSelection_ = false;
};
