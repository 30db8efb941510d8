// The viewport draws the scene through the same code on screen and in a snapshot: locators where the camera
// sees them, and nothing of a hidden node or of what is below it.
#include <QtGui/QImage>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

#include "SceneDrawing.h"
#include "Viewport.h"

namespace {

const QSize kSize(640, 480);

void run(const std::string& mel) { ASSERT_TRUE(mayastandin::execute(mel)) << mel << "\n" << mayastandin::logText(); }

// Whether a pixel within `radius` of p has about this colour (lines are antialiased).
bool colourNear(const QImage& image, const QPointF& p, const QColor& colour, int radius = 2) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q(int(p.x()) + dx, int(p.y()) + dy);
            if (!image.rect().contains(q)) continue;
            const QColor c = image.pixelColor(q);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                40)
                return true;
        }
    return false;
}

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override {
        mayastandin::resetScene();
        mayastandin::clearLog();
    }
    QPointF pixelOf(const QVector3D& world) const {
        QPointF p;
        EXPECT_TRUE(view.camera().project(world, kSize, &p));
        EXPECT_TRUE(QRectF(QPointF(0, 0), kSize).contains(p)) << p.x() << ", " << p.y();
        return p;
    }
    Viewport view;
};

TEST_F(ViewportTest, SnapshotDrawsALocatorWhereTheCameraSeesIt) {
    const QImage empty = view.snapshot(kSize);
    // The camera looks at its target: a locator there is drawn in the middle of the picture.
    const QVector3D target = view.camera().target();
    run("createNode locator -n centre; xform -ws -t " + std::to_string(target.x()) + " " + std::to_string(target.y()) +
        " " + std::to_string(target.z()) + " centre");
    run("createNode locator -n aside; xform -ws -t 150 40 -120 aside");
    const QImage image = view.snapshot(kSize);
    const QPointF middle(kSize.width() / 2.0, kSize.height() / 2.0);
    EXPECT_TRUE(colourNear(image, middle, viewportColors::kLocator));
    EXPECT_FALSE(colourNear(empty, middle, viewportColors::kLocator));
    const QPointF aside = pixelOf(QVector3D(150, 40, -120));
    EXPECT_TRUE(colourNear(image, aside, viewportColors::kLocator));

    // Moving it moves its drawing; nothing of it stays behind.
    run("xform -ws -t -200 120 60 aside");
    const QImage moved = view.snapshot(kSize);
    EXPECT_TRUE(colourNear(moved, pixelOf(QVector3D(-200, 120, 60)), viewportColors::kLocator));
    EXPECT_FALSE(colourNear(moved, aside, viewportColors::kLocator));
}

TEST_F(ViewportTest, TheDefaultCamerasAreCountedButNeverDrawn) {
    for (const char* mel : {"", "showHidden persp top front side"}) {
        SCOPED_TRACE(mel);
        if (*mel) run(mel);
        const SceneFrame frame = readScene();
        EXPECT_EQ(frame.dagNodes, 8);
        EXPECT_TRUE(frame.locators.empty());
        EXPECT_TRUE(frame.joints.empty());
        EXPECT_FALSE(frame.hasBounds);
    }
}

TEST_F(ViewportTest, AHiddenJointTakesItsBoneAndEverythingBelowAlong) {
    run("createNode joint -n hip; createNode joint -n knee -p hip; createNode joint -n ankle -p knee");
    run("xform -ws -t 200 100 150 hip; xform -ws -t 200 60 150 knee; xform -ws -t 200 10 150 ankle");
    run("createNode transform -n markers; createNode locator -n toe -p markers; xform -ws -t 260 5 150 markers");
    ASSERT_TRUE(view.frameAll(kSize));
    const QPointF thigh = pixelOf(QVector3D(200, 80, 150));  // middle of hip -> knee
    const QPointF shin = pixelOf(QVector3D(200, 35, 150));   // middle of knee -> ankle
    const QPointF ankle = pixelOf(QVector3D(200, 10, 150));
    const QPointF toe = pixelOf(QVector3D(260, 5, 150));
    const QImage all = view.snapshot(kSize);
    ASSERT_TRUE(colourNear(all, thigh, viewportColors::kBone));
    ASSERT_TRUE(colourNear(all, shin, viewportColors::kBone));
    ASSERT_TRUE(colourNear(all, ankle, viewportColors::kJoint));
    ASSERT_TRUE(colourNear(all, toe, viewportColors::kLocator));

    run("hide ankle");
    const QImage noAnkle = view.snapshot(kSize);
    EXPECT_TRUE(colourNear(noAnkle, thigh, viewportColors::kBone));
    EXPECT_FALSE(colourNear(noAnkle, shin, viewportColors::kBone));
    EXPECT_FALSE(colourNear(noAnkle, ankle, viewportColors::kJoint, 1));

    run("showHidden ankle; hide knee; hide markers");
    const QImage noKnee = view.snapshot(kSize);
    EXPECT_FALSE(colourNear(noKnee, thigh, viewportColors::kBone));
    EXPECT_FALSE(colourNear(noKnee, shin, viewportColors::kBone));  // the ankle is visible, its parent is not
    EXPECT_FALSE(colourNear(noKnee, ankle, viewportColors::kJoint, 1));
    EXPECT_FALSE(colourNear(noKnee, toe, viewportColors::kLocator));
}

}  // namespace
