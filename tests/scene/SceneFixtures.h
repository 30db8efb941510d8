#pragma once
// Hand-built descriptions and frames, an in-memory marker table with the panel table's group layout,
// and scene queries for the scene-binding tests.

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MDagPath.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MObject.h>
#include <maya/MObjectHandle.h>
#include <maya/MQuaternion.h>
#include <maya/MVector.h>
#include <mayastandin/Host.h>

#include "MarkerGroupTable.h"
#include "OrvaneRecords.h"

namespace fixtures {

// Rows as the panel's table keeps them: a heading row has no coordinate cells.
class MemoryTable : public orvane::scene::MarkerGroupTable {
public:
    struct Row {
        std::string name;
        bool heading;
        std::string x, y, z;
    };
    std::vector<Row> rows;
    bool refresh = false;

    void appendMarkerGroup(const orvane::RecordName& name, const std::vector<orvane::RecordName>& markers) override {
        rows.push_back({name.str(), true, "", "", ""});
        for (const auto& m : markers) rows.push_back({m.str(), false, "0.0", "0.0", "0.0"});
    }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    int headingRow(const orvane::RecordName& name) const override {
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].heading && rows[i].name == name.str()) return static_cast<int>(i);
        return -1;
    }
    bool refreshEnabled() const override { return refresh; }
    void setMarkerCoordinates(int row, double x, double y, double z) override {
        if (row < 0 || row >= rowCount() || rows[row].heading) return;
        rows[row].x = std::to_string(x), rows[row].y = std::to_string(y), rows[row].z = std::to_string(z);
    }
};

// Version 2 descriptions assembled entry by entry; owns every piece.
class DescriptionsV2 {
public:
    DescriptionsV2() : record_(new sDataDescriptions()) {}

    void addMarkerSet(const std::string& name, const std::vector<std::string>& markers) {
        std::unique_ptr<sMarkerSetDesc> set(new sMarkerSetDesc());
        std::strncpy(set->name, name.c_str(), sizeof set->name - 1);
        names_.emplace_back(markers.begin(), markers.end());
        pointers_.emplace_back();
        for (auto& s : names_.back()) pointers_.back().push_back(&s[0]);
        set->markerCount = static_cast<int>(markers.size());
        set->markerNames = pointers_.back().data();
        add(Descriptor_MarkerSet, set.get());
        sets_.push_back(std::move(set));
    }
    // Bones as (name, parentId) with 1-based parents, 0 = root.
    void addSkeleton(const std::string& name, const std::vector<std::pair<std::string, int>>& bones) {
        std::unique_ptr<sSkeletonDesc> skeleton(new sSkeletonDesc());
        std::strncpy(skeleton->name, name.c_str(), sizeof skeleton->name - 1);
        skeleton->boneCount = static_cast<int>(bones.size());
        for (std::size_t k = 0; k < bones.size(); ++k) {
            std::strncpy(skeleton->bones[k].name, bones[k].first.c_str(), sizeof skeleton->bones[k].name - 1);
            skeleton->bones[k].parentId = bones[k].second;
        }
        add(Descriptor_Skeleton, skeleton.get());
        skeletons_.push_back(std::move(skeleton));
    }
    void addOther(int type) { add(type, &dummy_); }
    sDataDescriptions* get() { return record_.get(); }
    sMarkerSetDesc& set(int i) { return *sets_[i]; }
    sSkeletonDesc& skeleton(int i) { return *skeletons_[i]; }

private:
    void add(int type, void* data) {
        sDescriptionEntry& entry = record_->descriptions[record_->descriptionCount++];
        entry.type = type;
        entry.data = data;
    }
    std::unique_ptr<sDataDescriptions> record_;
    std::vector<std::unique_ptr<sMarkerSetDesc>> sets_;
    std::vector<std::unique_ptr<sSkeletonDesc>> skeletons_;
    std::vector<std::vector<std::string>> names_;
    std::vector<std::vector<char*>> pointers_;
    int dummy_ = 0;
};

// Version 1 body definitions; owns every piece.
class BodyDefsV1 {
public:
    BodyDefsV1() : record_(new sBodyDefs()) {}
    void addBody(const std::string& name, const std::vector<std::string>& markers,
                 const std::vector<std::string>& segments, const std::vector<int>& parents) {
        sBodyDefEntry& body = record_->bodyDefs[record_->bodyDefCount++];
        strings_.emplace_back(std::unique_ptr<std::string>(new std::string(name)));
        body.name = &(*strings_.back())[0];
        body.markerCount = static_cast<int>(markers.size());
        body.markerNames = pointersTo(markers);
        body.segmentCount = static_cast<int>(segments.size());
        body.segmentNames = pointersTo(segments);
        parents_.emplace_back(new std::vector<int>(parents));
        body.segmentParents = parents_.back()->data();
    }
    sBodyDefs* get() { return record_.get(); }

private:
    char** pointersTo(const std::vector<std::string>& names) {
        auto* copies = new std::vector<std::string>(names);
        keep_.emplace_back(copies);
        auto* pointers = new std::vector<char*>();
        for (auto& s : *copies) pointers->push_back(&s[0]);
        pointerArrays_.emplace_back(pointers);
        return pointers->data();
    }
    std::unique_ptr<sBodyDefs> record_;
    std::vector<std::unique_ptr<std::string>> strings_;
    std::vector<std::unique_ptr<std::vector<std::string>>> keep_;
    std::vector<std::unique_ptr<std::vector<char*>>> pointerArrays_;
    std::vector<std::unique_ptr<std::vector<int>>> parents_;
};

// Each takes an MObject as well as a node list's handle.
inline std::string nameOf(const MObjectHandle& handle) {
    MObject node = handle.object();
    MFnDependencyNode fn(node);
    return fn.name().asChar();
}

inline MDagPath dagPathOf(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return path;
}

inline std::string pathOf(const MObjectHandle& handle) {
    const MDagPath path = dagPathOf(handle);
    return path.isValid() ? path.fullPathName().asChar() : std::string();
}

inline MVector worldTranslation(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return MFnTransform(path).getTranslation(MSpace::kWorld);
}

inline MQuaternion worldRotation(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    MQuaternion q;
    MFnTransform(path).getRotation(q, MSpace::kWorld);
    return q;
}

inline bool visible(const MObjectHandle& handle) {
    MObject node = handle.object();
    MDagPath path;
    MFnDagNode(node).getPath(path);
    return path.isVisible();
}

// Tolerance for positions in centimetres: the stream's floats times the single-precision 0.1, through
// double-precision matrices.
const double kPositionTolerance = 1e-4;

inline void expectNear(const MVector& got, double x, double y, double z, const std::string& what) {
    EXPECT_NEAR(got.x, x, kPositionTolerance) << what;
    EXPECT_NEAR(got.y, y, kPositionTolerance) << what;
    EXPECT_NEAR(got.z, z, kPositionTolerance) << what;
}

// Same rotation (q and -q are the same).
inline void expectSameRotation(const MQuaternion& got, double x, double y, double z, double w,
                               const std::string& what) {
    const double dot = got.x * x + got.y * y + got.z * z + got.w * w;
    EXPECT_NEAR(std::fabs(dot), 1.0, 1e-6)
        << what << ": got (" << got.x << ", " << got.y << ", " << got.z << ", " << got.w << ")";
}

class SceneTest : public testing::Test {
protected:
    void SetUp() override {
        mayastandin::resetScene();
        mayastandin::clearLog();
    }
};

}  // namespace fixtures
