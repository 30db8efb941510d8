#pragma once
// Shared fixture: every test starts from an empty scene (without even the default cameras) and an empty log.
#include <gtest/gtest.h>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <mayastandin/Host.h>

#include <string>

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        mayastandin::resetScene(mayastandin::NewScene::kEmpty);
        mayastandin::clearLog();
    }

    static bool logContains(const std::string& text) { return mayastandin::logText().find(text) != std::string::npos; }

    // Creates a node at once, named and placed with a modifier (name and parent take effect at doIt).
    static MObject make(const char* type, const char* name, const MObject& parent = MObject::kNullObj) {
        MDagModifier modifier;
        MObject node = modifier.createNode(type, parent);
        modifier.renameNode(node, name);
        EXPECT_TRUE(modifier.doIt());
        return node;
    }

    static std::string nameOf(const MObject& node) { return MFnDagNode(node).name().asChar(); }
    static std::string pathOf(const MObject& node) { return MFnDagNode(node).fullPathName().asChar(); }
};
