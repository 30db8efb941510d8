// Time, the time slider and animation curves: unit conversions, keys kept in time order, evaluation between
// and beyond keys, curves driving their channels when the current time changes, and the two ranges.
#include "test_support.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>

#include <maya/MAnimControl.h>
#include <maya/MAnimCurveChange.h>
#include <maya/MDGModifier.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MGlobal.h>
#include <maya/MObjectHandle.h>
#include <maya/MSelectionList.h>
#include <maya/MPlug.h>
#include <maya/MTime.h>
#include <maya/MVector.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <utility>

namespace {

TEST(TimeUnits, ConvertAndCompareInSeconds) {
    struct Case {
        double value;
        MTime::Unit unit;
        MTime::Unit other;
        double want;
    } cases[] = {
        {24, MTime::kFilm, MTime::kSeconds, 1},          {1, MTime::kSeconds, MTime::kNTSCFrame, 30},
        {90, MTime::kMinutes, MTime::kHours, 1.5},       {250, MTime::kMilliseconds, MTime::kPALFrame, 6.25},
        {360, MTime::k120FPS, MTime::kNTSCField, 180},   {1, MTime::k6000FPS, MTime::kMilliseconds, 1 / 6.0},
        {23.976, MTime::k23_976FPS, MTime::kSeconds, 1}, {5, MTime::kFilm, MTime::kInvalid, 0},
    };
    for (const Case& c : cases) EXPECT_NEAR(c.want, MTime(c.value, c.unit).as(c.other), 1e-12) << c.value;

    EXPECT_EQ(MTime(1, MTime::kSeconds), MTime(24, MTime::kFilm));
    EXPECT_LT(MTime(29, MTime::kNTSCFrame), MTime(1, MTime::kSeconds));
    MTime t(12, MTime::kFilm);
    EXPECT_TRUE(t.setUnit(MTime::kNTSCFrame));
    EXPECT_DOUBLE_EQ(15, t.value());  // the same time in the new unit
    EXPECT_FALSE(t.setUnit(MTime::kUserDef));
    EXPECT_DOUBLE_EQ(16, (t + MTime(1, MTime::kNTSCFrame)).value());
    EXPECT_DOUBLE_EQ(45, (t * 3).value());
    EXPECT_TRUE(MTime::setUIUnit(MTime::kNTSCFrame));
    EXPECT_EQ(MTime::kNTSCFrame, MTime().unit());
    EXPECT_TRUE(MTime::setUIUnit(MTime::kFilm));
}

class AnimCurves : public StandinTest {
protected:
    MPlug plug(const MObject& node, const char* name) { return MFnDependencyNode(node).findPlug(name, true); }
    static std::string ls(const char* command) {  // sorted
        std::vector<std::string> names;
        mayastandin::executeList(command, &names);
        std::sort(names.begin(), names.end());
        std::string out;
        for (const std::string& name : names) out += (out.empty() ? "" : " ") + name;
        return out;
    }
};

TEST_F(AnimCurves, ChannelsTakeCurvesOfTheirTypeOnce) {
    const MObject node = make("transform", "box");
    const MObject other = make("transform", "other");
    struct Case {
        const char* attribute;
        MFnAnimCurve::AnimCurveType type;
        MFn::Type fn;
    } cases[] = {
        {"translateX", MFnAnimCurve::kAnimCurveTL, MFn::kAnimCurveTimeToDistance},
        {"tz", MFnAnimCurve::kAnimCurveTL, MFn::kAnimCurveTimeToDistance},
        {"rotateY", MFnAnimCurve::kAnimCurveTA, MFn::kAnimCurveTimeToAngular},
        {"visibility", MFnAnimCurve::kAnimCurveTU, MFn::kAnimCurveTimeToUnitless},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        MStatus status;
        MFnAnimCurve fn;
        const MObject curve = fn.create(plug(node, c.attribute), nullptr, &status);
        ASSERT_TRUE(status);
        EXPECT_EQ(c.type, fn.animCurveType());
        EXPECT_EQ(c.fn, curve.apiType());
        EXPECT_TRUE(curve.hasFn(MFn::kAnimCurve));
        EXPECT_EQ(curve, MFnAnimCurve(plug(node, c.attribute)).object());
        MFnAnimCurve().create(plug(node, c.attribute), nullptr, &status);
        EXPECT_EQ(MStatus::kInvalidParameter, status.statusCode()) << "a channel takes one curve";
        MFnAnimCurve(plug(other, c.attribute), &status);
        EXPECT_FALSE(status);
    }
    MStatus status;
    MFnAnimCurve().create(MPlug(), nullptr, &status);
    EXPECT_FALSE(status);
}

TEST_F(AnimCurves, KeysStayInTimeOrderAndEvaluateBetweenAndBeyond) {
    MFnAnimCurve fn;
    fn.create(MFnAnimCurve::kAnimCurveTL);
    EXPECT_EQ(0u, fn.addKey(MTime(10, MTime::kFilm), 5.0));
    EXPECT_EQ(0u, fn.addKey(MTime(0, MTime::kFilm), 1.0));
    EXPECT_EQ(2u, fn.addKey(MTime(1, MTime::kSeconds), 9.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep));
    EXPECT_EQ(3u, fn.addKey(MTime(48, MTime::kFilm), -3.0));
    EXPECT_EQ(2u, fn.addKey(MTime(24, MTime::kFilm), 7.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep));
    ASSERT_EQ(4u, fn.numKeys());  // the key at 1 s was replaced, not doubled
    struct Case {
        double frame, want;
    } cases[] = {{-5, 1}, {0, 1}, {5, 3}, {10, 5}, {17, 6}, {24, 7}, {36, 7}, {47.9, 7}, {48, -3}, {100, -3}};
    for (const Case& c : cases) EXPECT_NEAR(c.want, fn.evaluate(MTime(c.frame, MTime::kFilm)), 1e-12) << c.frame;
    unsigned int index = 99;
    EXPECT_TRUE(fn.find(MTime(10, MTime::kFilm), index));
    EXPECT_EQ(1u, index);
    EXPECT_FALSE(fn.find(MTime(11, MTime::kFilm), index));
    EXPECT_TRUE(fn.remove(1));
    EXPECT_NEAR(4, fn.evaluate(MTime(12, MTime::kFilm)), 1e-12);
    EXPECT_FALSE(fn.remove(7));
    MStatus status;
    fn.value(9, &status);
    EXPECT_FALSE(status);
}

TEST_F(AnimCurves, TheCurrentTimeSetsEveryAnimatedChannelOfLiveNodes) {
    const MObject box = make("transform", "box");
    ASSERT_TRUE(
        mayastandin::execute("setKeyframe -t 0 -v 0 box.rz; setKeyframe -t 10 -v 90 box.rz; "
                             "setKeyframe -t 0 -v 1 box.v; setKeyframe -t 10 -v 0 box.v; setAttr box.tx 7; "
                             "createNode transform -n gone; setKeyframe -t 0 -v 3 gone.tx"));
    MGlobal::executeCommand("delete gone");
    EXPECT_TRUE(MAnimControl::setCurrentTime(MTime(5, MTime::kFilm)));
    EXPECT_DOUBLE_EQ(7, MFnTransform(box).getTranslation(MSpace::kTransform).x);  // not animated: kept
    MEulerRotation r;
    MFnTransform(box).getRotation(r);
    EXPECT_NEAR(std::atan(1.0), r.z, 1e-12);        // radians
    EXPECT_TRUE(plug(box, "visibility").asBool());  // stepped: still 1
    MAnimControl::setCurrentTime(MTime(10, MTime::kFilm));
    EXPECT_FALSE(plug(box, "visibility").asBool());
}

// A curve node's whole life, step by step: each step leaves the curve in the scene (listed, found by name,
// driving its channel) or out of it in the undo queue or a modifier (alive, not valid), or destroyed.
TEST_F(AnimCurves, CurveNodesLiveInTheSceneAndTheUndoQueueLikeNodes) {
    const MObject locator = make("transform", "locator1");
    make("transform", "locator1_translateX");  // takes the curve's first choice of name
    const MObject box = make("transform", "box");
    MDGModifier modifier;
    MFnAnimCurve fn;
    MStatus status;
    const MObject curve = fn.create(plug(box, "translateX"), &modifier, &status);
    ASSERT_TRUE(status);
    MFnAnimCurve(MFnAnimCurve().create(plug(locator, "tx"))).addKey(MTime(1.0), 2.0);
    EXPECT_EQ("box_translateX locator1_translateX1", ls("ls -type animCurve"));
    MGlobal::executeCommand("rename box_translateX boxX");
    MAnimCurveChange change;
    for (double t : {0.0, 10.0, 20.0})
        fn.addKey(MTime(t), 1 + t / 5, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear, &change);
    fn.setValue(1, 4.0, &change);
    fn.remove(0, &change);
    enum Where { kInScene, kHeld, kDestroyed };
    const struct Step {
        const char* what;
        std::function<void()> run;
        Where where;
        bool keyed;  // 10:4 20:5, with the curve in the scene or held
    } steps[] = {
        {"made", [] {}, kInScene, true},
        {"change undone", [&] { change.undoIt(); }, kInScene, false},
        {"change redone", [&] { change.redoIt(); }, kInScene, true},
        {"modifier undone", [&] { modifier.undoIt(); }, kHeld, true},
        {"modifier redone", [&] { modifier.doIt(); }, kInScene, true},
        {"node deleted", [] { MGlobal::executeCommand("delete box", false, true); }, kHeld, true},
        {"deletion undone", [] { MGlobal::executeCommand("undo"); }, kInScene, true},
        {"curve deleted", [] { MGlobal::executeCommand("delete boxX", false, true); }, kHeld, true},
        {"undo flushed", [] { MGlobal::executeCommand("flushUndo"); }, kDestroyed, false},
    };
    const MObjectHandle handle(curve);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.run();
        EXPECT_EQ(step.where != kDestroyed, handle.isAlive());
        EXPECT_EQ(step.where == kInScene, handle.isValid());
        EXPECT_EQ(step.where == kInScene ? "boxX locator1_translateX1" : "locator1_translateX1",
                  ls("ls -type animCurveTL"));
        MSelectionList found;
        EXPECT_EQ(step.where == kInScene, bool(MGlobal::getSelectionListByName("boxX", found)));
        EXPECT_EQ(step.where == kInScene, bool(MFnAnimCurve(plug(box, "translateX"), &status).object() == curve));
        if (step.where == kDestroyed) continue;
        MFnAnimCurve again(curve);
        EXPECT_EQ(step.keyed ? 2u : 0u, again.numKeys());
        if (!step.keyed) continue;
        EXPECT_DOUBLE_EQ(4.5, again.evaluate(MTime(15.0)));
        if (step.where != kInScene) continue;
        MAnimControl::setCurrentTime(MTime(15.0));
        EXPECT_DOUBLE_EQ(4.5, MFnTransform(box).getTranslation(MSpace::kTransform).x);
        MFnTransform(box).setTranslation(MVector(), MSpace::kTransform);
    }
    MGlobal::executeCommand("file -new -force");
    EXPECT_EQ("", ls("ls -type animCurve"));
}

// The time and key commands as a script runs them, undo on: each line's result, or "!" for a refused line.
TEST_F(AnimCurves, MelKeysTimeAndPlaybackCommands) {
    make("transform", "locator1");
    const std::pair<const char*, const char*> lines[] = {
        // the line and its result
        {"currentTime -q", "1"},
        {"setKeyframe -t 0 -v 0 locator1.tx", "1"},
        {"setKeyframe -attribute translateY -at rotateZ -t 10 -v 90 locator1", "2"},
        {"setKeyframe -t 20 -v 5 locator1.translateX; setKeyframe -t 0.5sec -v 2 locator1.tx", "1"},
        {"keyframe -q -kc locator1.tx", "3"},
        {"keyframe -q -tc -vc locator1.rz", "10 90"},  // degrees
        {"keyframe -q -kc -t \"5:\" locator1", "4"},
        {"keyframe -q -tc -t \":11\" -t 20 -at tx locator1", "0 20"},
        {"ls -type animCurveTA", "locator1_rotateZ"},
        {"currentTime 15", "15"},
        {"getAttr locator1.tx", "3.125"},
        {"cutKey -t \"10:20\" -attribute translateX locator1", "1"},
        {"keyframe -q -tc locator1.tx", "0"},
        {"cutKey -clear locator1.rz", "1"},
        {"ls -type animCurveTA", ""},  // a curve left without keys is deleted
        {"undo", ""},
        {"keyframe -q -vc locator1_rotateZ", "90"},
        {"undo", ""},
        {"keyframe -q -tc locator1.tx", "0 12 20"},
        {"undo; undo; keyframe -q -kc locator1", "3"},
        {"undo; undo; ls -type animCurve", ""},
        {"redo; redo; redo; keyframe -q -kc locator1", "4"},
        {"playbackOptions -min 10 -max 300 -ast 5", ""},
        {"playbackOptions -q -aet", "300"},  // grown to hold the playback range
        {"playbackOptions -q -ast", "5"},
        {"playbackOptions -by 2 -loop oscillate; playbackOptions -q -loop", "oscillate"},
        {"play -forward true; play -q -state", "1"},
        {"play -state off; play -q -state", "0"},
        {"currentUnit -time ntsc; currentTime -q", "18.75"},  // frame 15 of film is frame 18.75 of NTSC
        {"currentUnit -t film; currentUnit -q -time", "film"},
        {"setKeyframe nothing.tx", "!"},
        {"setKeyframe locator1.scaleX", "!"},
        {"keyframe -q -t \"a:b\" locator1", "!"},
        {"playbackOptions -min 10 -max 5", "!"},
        {"currentTime", "!"},
        {"currentUnit -linear mm", "!"},
    };
    for (const auto& line : lines) {
        MString result;
        const bool ok = MGlobal::executeCommand(line.first, result, false, true);
        EXPECT_EQ(line.second, ok ? std::string(result.asChar()) : "!") << line.first;
    }
}

// The time slider's times and every curve in the scene as text: name, type, each key's time, value and tangents,
// with the values at 17 digits.
std::string animationOfScene() {
    std::vector<std::string> names;
    mayastandin::executeList("ls -type animCurve", &names);
    std::ostringstream out;
    out.precision(17);
    for (const MTime& t : {MAnimControl::currentTime(), MAnimControl::minTime(), MAnimControl::maxTime(),
                           MAnimControl::animationStartTime(), MAnimControl::animationEndTime()})
        out << t.value() << " ";
    for (const std::string& name : names) {
        MFnAnimCurve fn(mayastandin::findNode(name));
        out << name << " " << fn.typeName().asChar() << ":";
        for (unsigned k = 0; k < fn.numKeys(); ++k)
            out << " " << fn.time(k).as(MTime::kSeconds) << "/" << fn.value(k) << "/" << fn.inTangentType(k) << "/"
                << fn.outTangentType(k);
        out << "\n";
    }
    return out.str();
}

// A keyed scene saved and opened again: the same curves, keys to the last digit written, connections, time slider
// and current time, in the Maya ASCII statements Maya writes for them.
TEST_F(AnimCurves, SavedCurvesOpenAsTheyWereWritten) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("keyed.ma").toStdString();
    make("transform", "locator1");
    const MObject joint = make("joint", "joint3");
    ASSERT_TRUE(
        mayastandin::execute("setKeyframe -t 1 -v 0 locator1.tx; setKeyframe -t 2 -v 1.5 locator1.tx; "
                             "setKeyframe -t 3 -v 2 locator1.tx; setKeyframe -t 2.5 -v 0 locator1.v"));
    MFnAnimCurve rotation;
    rotation.create(MFnDependencyNode(joint).findPlug("rz", true));
    const double tenth = std::atan(1.0) / 2.5;  // not a round number of degrees
    for (int k = 0; k < 3; ++k)
        rotation.addKey(MTime(k / 7.0, MTime::kSeconds), -3 * tenth * (k + 1), MFnAnimCurve::kTangentLinear,
                        MFnAnimCurve::kTangentStep);
    MFnAnimCurve().create(MFnAnimCurve::kAnimCurveTU);  // connected to nothing
    ASSERT_TRUE(mayastandin::execute("playbackOptions -min 2 -max 30 -ast -4 -aet 200.5; currentTime 2.25"));
    const std::string before = animationOfScene();
    ASSERT_TRUE(mayastandin::execute("file -rename \"" + file + "\"; file -save"));
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* line : {
             "createNode animCurveTL -n \"locator1_translateX\";\n\tsetAttr \".tan\" 18;\n\tsetAttr \".wgt\" no;\n",
             "\tsetAttr -s 3 \".ktv[0:2]\"  1 0 2 1.5 3 2;\n",
             "\tsetAttr -s 3 \".kot[0:2]\"  5 5 5;\n",
             "connectAttr \"locator1_translateX.o\" \"locator1.tx\";\n",
             "connectAttr \"joint3_rotateZ.o\" \"joint3.rz\";\n",
             "setAttr \".b\" -type \"string\" \"playbackOptions -min 2 -max 30 -ast -4 -aet 200.5 \";\n",
             "select -ne :time1;\n\tsetAttr \".o\" 2.25;\n",
         })
        EXPECT_NE(std::string::npos, text.find(line)) << line;

    ASSERT_TRUE(mayastandin::execute("file -new -force; file -open \"" + file + "\""));
    EXPECT_EQ(before, animationOfScene());
    std::string tx;
    mayastandin::execute("getAttr locator1.tx", &tx);
    EXPECT_EQ("1.625", tx);  // driven at the opened scene's time

    // What this host does not read is refused before the scene goes.
    const std::pair<const char*, const char*> refused[] = {
        {"\"locator1.tx\";", "\"locator1.sx\";"},
        {"\".ktv[0:2]\"  1 0 2 1.5 3 2;", "\".ktv[0:2]\"  1 0 2 1.5 3;"},
        {"-ast -4", "-ast -4; quit"},
        {"select -ne :time1;", "select -ne :time2;"},
    };
    const std::string brokenFile = dir.filePath("broken.ma").toStdString();
    for (const auto& r : refused) {
        std::string broken = text;
        std::ofstream(brokenFile) << broken.replace(broken.find(r.first), std::strlen(r.first), r.second);
        EXPECT_FALSE(mayastandin::execute("file -open -force \"" + brokenFile + "\"")) << r.second;
        EXPECT_EQ(before, animationOfScene()) << r.second;
    }
    MAnimControl::setCurrentTime(MTime(2.0 / 7.0, MTime::kSeconds));
    MEulerRotation r;
    MFnTransform(mayastandin::findNode("joint3")).getRotation(r);
    EXPECT_NEAR(-9 * tenth, r.z, 1e-15);
}

// The workspace's root, where takes go: the current folder until one is opened, always ending in '/'.
TEST(Workspace, RootIsTheOpenedFolderOrTheCurrentOne) {
    QTemporaryDir dir;
    const std::string here = QDir::currentPath().toStdString() + "/";
    const std::string opened = QDir(dir.path()).canonicalPath().toStdString() + "/";
    const struct {
        std::string mel;
        bool ok;
        std::string root;  // after the line
    } lines[] = {
        {"workspace -q -rootDirectory", true, here},
        {"workspace -openWorkspace \"" + dir.path().toStdString() + "/./\"", true, opened},
        {"workspace -o \"" + dir.path().toStdString() + "/missing\"", false, opened},
        {"workspace -rd", false, opened},
        {"workspace -o \"" + here + "\"", true, here},
    };
    for (const auto& line : lines) {
        MString root;
        EXPECT_EQ(line.ok, bool(MGlobal::executeCommand(line.mel.c_str()))) << line.mel;
        ASSERT_TRUE(MGlobal::executeCommand("workspace -q -rd", root));
        EXPECT_EQ(line.root, root.asChar()) << line.mel;
    }
}

TEST(TimeSlider, RangesHoldEachOther) {
    EXPECT_TRUE(MAnimControl::setAnimationStartEndTime(MTime(0, MTime::kFilm), MTime(100, MTime::kFilm)));
    EXPECT_TRUE(MAnimControl::setMinMaxTime(MTime(-5, MTime::kFilm), MTime(150, MTime::kFilm)));
    EXPECT_DOUBLE_EQ(-5, MAnimControl::animationStartTime().value());  // grown to hold the playback range
    EXPECT_DOUBLE_EQ(150, MAnimControl::animationEndTime().value());
    EXPECT_TRUE(MAnimControl::setAnimationStartEndTime(MTime(20, MTime::kFilm), MTime(40, MTime::kFilm)));
    EXPECT_DOUBLE_EQ(20, MAnimControl::minTime().value());  // shrunk to stay inside
    EXPECT_DOUBLE_EQ(40, MAnimControl::maxTime().value());
    EXPECT_FALSE(MAnimControl::setMinMaxTime(MTime(30, MTime::kFilm), MTime(25, MTime::kFilm)));
    EXPECT_FALSE(MAnimControl::setAnimationStartEndTime(MTime(3, MTime::kFilm), MTime(2, MTime::kFilm)));
}

}  // namespace
