// The outliner follows the DAG's structure with the same items (so expansion and selection survive), walks
// once per burst of changes and never for transform writes, and shares the host's selection.
#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

#include <maya/MFnTransform.h>
#include <mayastandin/Host.h>

#include "Outliner.h"

namespace {

void run(const std::string& mel) { ASSERT_TRUE(mayastandin::execute(mel)) << mel << "\n" << mayastandin::logText(); }

std::string text(QTreeWidgetItem* item) {
    std::string out = item->text(0).toStdString();
    if (item->childCount() == 0) return out;
    out += "(";
    for (int i = 0; i < item->childCount(); ++i) out += (i ? " " : "") + text(item->child(i));
    return out + ")";
}

std::string text(const Outliner& outliner) {
    std::string out;
    for (int i = 0; i < outliner.topLevelItemCount(); ++i) out += (i ? " " : "") + text(outliner.topLevelItem(i));
    return out;
}

QTreeWidgetItem* itemOf(const Outliner& outliner, const char* name) {
    return outliner.itemFor(mayastandin::findNode(name));
}

class OutlinerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mayastandin::resetScene();
        mayastandin::setSelection({});
    }
};

TEST_F(OutlinerTest, FollowsCreationRenameReparentAndDeletionKeepingItems) {
    Outliner outliner;
    run("createNode transform -n setA; createNode transform -n setB; createNode locator -n m1; parent m1 setA");
    run("createNode joint -n root; createNode joint -n tip -p root");
    outliner.sync();
    // The new scene's cameras come first; the locator's shape is folded into it.
    EXPECT_EQ(text(outliner), "persp top front side setA(m1) setB root(tip)");

    QTreeWidgetItem* marker = itemOf(outliner, "m1");
    QTreeWidgetItem* root = itemOf(outliner, "root");
    ASSERT_NE(marker, nullptr);
    root->setExpanded(true);
    run("rename m1 marker1");
    outliner.sync();
    EXPECT_EQ(text(outliner), "persp top front side setA(marker1) setB root(tip)");
    EXPECT_EQ(itemOf(outliner, "marker1"), marker);

    run("parent marker1 setB; parent root setA");
    outliner.sync();
    EXPECT_EQ(text(outliner), "persp top front side setA(root(tip)) setB(marker1)");
    EXPECT_EQ(itemOf(outliner, "marker1"), marker);
    EXPECT_EQ(itemOf(outliner, "root"), root);
    EXPECT_TRUE(root->isExpanded());

    run("delete setB; createNode transform -n late");
    outliner.sync();
    EXPECT_EQ(text(outliner), "persp top front side setA(root(tip)) late");
    EXPECT_EQ(itemOf(outliner, "root"), root);
}

TEST_F(OutlinerTest, ShowsTheHiddenDefaultCamerasAndFollowsANewScene) {
    Outliner outliner;
    run("createNode transform -n old; createNode joint -n j -p old");
    outliner.sync();
    for (const char* camera : {"persp", "top", "front", "side"}) {
        QTreeWidgetItem* item = itemOf(outliner, camera);
        ASSERT_NE(item, nullptr) << camera;
        EXPECT_EQ(item->foreground(0).color(), QColor(128, 128, 128)) << camera;  // hidden, as in Maya
    }
    // The items of the old scene's nodes outlive them until the next walk, which must not read them.
    run("file -new -force");
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(text(outliner), "persp top front side");
}

TEST_F(OutlinerTest, ABurstOfChangesCostsOneWalkAndTransformWritesNone) {
    Outliner outliner;
    outliner.sync();
    const int before = outliner.syncs();
    for (int i = 0; i < 200; ++i) run("createNode joint -n j" + std::to_string(i));
    QElapsedTimer bound;
    bound.start();
    while (outliner.syncs() == before && bound.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(outliner.syncs(), before + 1);
    EXPECT_EQ(outliner.topLevelItemCount(), 204);  // and the four cameras

    for (int i = 0; i < 200; ++i)
        MFnTransform(mayastandin::findNode("j" + std::to_string(i))).setTranslation(MVector(i, 0, 0), MSpace::kWorld);
    outliner.sync();
    EXPECT_EQ(outliner.syncs(), before + 1);
}

TEST_F(OutlinerTest, SharesTheHostSelection) {
    Outliner outliner;
    run("createNode transform -n a; createNode locator -n b; createNode transform -n c");
    outliner.sync();
    run("select a bShape");  // a shape is shown by its transform
    outliner.sync();
    EXPECT_TRUE(itemOf(outliner, "a")->isSelected());
    EXPECT_TRUE(itemOf(outliner, "b")->isSelected());
    EXPECT_FALSE(itemOf(outliner, "c")->isSelected());

    outliner.clearSelection();
    itemOf(outliner, "c")->setSelected(true);  // as a click does
    std::vector<std::string> selected;
    ASSERT_TRUE(mayastandin::executeList("ls -sl", &selected));
    EXPECT_EQ(selected, std::vector<std::string>{"c"});
}

}  // namespace
