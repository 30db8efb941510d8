#pragma once
// Frame and description records exchanged with the tracking SDK by memory layout (64-bit, little-endian).
// Every offset, width and stride the plug-in relies on is checked below; a wrong field is a build error.
// Spans the plug-in never reads belong to the SDK; the names given to them here are the SDK's business.
//
// Units: positions in the stream's length unit (millimetres), version 1 segment rotations in degrees
// (Euler X-Y-Z), version 2 bone orientations as quaternions (x, y, z, w).
// Version 2 bone poses are world-space; version 1 segment poses are relative to the parent segment.
// A marker the cameras did not see is reported at exactly (0, 0, 0); an untracked version 2 bone has an
// all-zero pose.

#include <cstddef>
#include <cstdint>

// Capacities of the fixed arrays. The layout fixes only the offsets; these counts are the SDK's choice.
enum : int {
    kMaxMarkerSetFrames = 200,   // sFrameOfMocapData::markerSets: as many as fit before offset 54408
    kBodyPoseSlots = 1000,       // sFrameOfMocapData::bodyPoses
    kMaxSkeletonFrames = 100,    // sFrameOfMocapData::skeletons
    kMaxBodyFrames = 64,         // sFrameOfData::bodies
    kMaxDescriptions = 400,      // sDataDescriptions::descriptions
    kMaxBodyDefs = 64,           // sBodyDefs::bodyDefs
    kMaxBonesPerSkeleton = 128,  // sSkeletonDesc::bones
    kNameBufferSize = 256,       // inline names of version 2 records
    kBodyNameBufferSize = 128    // inline name of sBodyFrame
};

typedef float MarkerData[3];  // x, y, z

// ---------------------------------------------------------------- version 2 frame
struct sBodyPose {  // 72 bytes
    int id;
    float x, y, z;
    float qx, qy, qz, qw;
    float meanError;
    int trackingFlags;
    MarkerData* attachedPoints;  // set to null when the plug-in allocates a frame
    int* attachedIds;            // set to null when the plug-in allocates a frame
    float* attachedSizes;        // set to null when the plug-in allocates a frame
    int attachedCount;
    short params;  // set to 0 when the plug-in allocates a frame
    short reserved;
};

struct sMarkerSetFrame {  // 272 bytes
    char name[kNameBufferSize];
    int markerCount;
    int reserved;
    MarkerData* markers;
};

struct sSkeletonFrame {  // 16 bytes
    int skeletonId;
    int boneCount;
    sBodyPose* bones;
};

struct sFrameOfMocapData {  // 152208 bytes
    int frameNumber;
    int markerSetCount;
    sMarkerSetFrame markerSets[kMaxMarkerSetFrames];
    long long serverSendTimeUs;  // the server's clock when it sent the frame (microseconds, Unix epoch)
    long long receiveTimeUs;     // the SDK's clock when the frame arrived (same clock)
    int frameFlags;
    int reserved0;
    sBodyPose bodyPoses[kBodyPoseSlots];
    int skeletonCount;
    int reserved1;
    sSkeletonFrame skeletons[kMaxSkeletonFrames];
    char sdkReserved[152208 - 126440 - 16 * kMaxSkeletonFrames];
};

// ---------------------------------------------------------------- version 1 frame
struct sSegmentPose {   // 56 bytes
    double x, y, z;     // relative to the parent segment
    double rx, ry, rz;  // degrees, applied X then Y then Z
    double residual;
};

struct sBodyFrame {  // 192 bytes
    char name[kBodyNameBufferSize];
    int markerCount;
    int reserved0;
    MarkerData* markers;
    int bodyId;
    int segmentCount;
    sSegmentPose* segments;
    double residual;
    long long reserved1[3];
};

struct sFrameOfData {  // total size is the SDK's own
    int frameNumber;
    int frameFlags;
    int bodyCount;
    int reserved0;
    sBodyFrame bodies[kMaxBodyFrames];
    long long serverSendTimeUs;
    long long receiveTimeUs;
};

// ---------------------------------------------------------------- version 2 descriptions
enum DescriptionType : int { Descriptor_MarkerSet = 0, Descriptor_RigidBody = 1, Descriptor_Skeleton = 2 };

struct sMarkerSetDesc {
    char name[kNameBufferSize];
    int markerCount;
    int reserved;
    char** markerNames;
};

struct sBoneDesc {  // 292 bytes
    char name[kNameBufferSize];
    int id;
    int parentId;  // 1-based position of the parent in the skeleton's bones; 0 = root
    float offsetX, offsetY, offsetZ;
    float reserved[4];
};

struct sSkeletonDesc {
    char name[kNameBufferSize];
    int skeletonId;
    int boneCount;
    sBoneDesc bones[kMaxBonesPerSkeleton];
};

struct sDescriptionEntry {  // 16 bytes
    int type;               // DescriptionType
    int reserved;
    union {
        void* data;
        sMarkerSetDesc* markerSetDescription;  // type 0
        sSkeletonDesc* skeletonDescription;    // type 2
    };
};

struct sDataDescriptions {
    int descriptionCount;
    int reserved;
    sDescriptionEntry descriptions[kMaxDescriptions];
};

// ---------------------------------------------------------------- version 1 descriptions
struct sBodyDefEntry {  // 64 bytes
    char* name;
    int markerCount;
    int reserved0;
    char** markerNames;
    int segmentCount;
    int reserved1;
    char** segmentNames;
    int* segmentParents;  // -1 = root, else 0-based index of the parent segment
    int bodyId;
    int reserved2;
    void* reserved3;
};

struct sBodyDefs {
    int bodyDefCount;
    int reserved;
    sBodyDefEntry bodyDefs[kMaxBodyDefs];
};

// ---------------------------------------------------------------- the layout, checked
static_assert(sizeof(void*) == 8, "the SDK records are laid out for a 64-bit process");
static_assert(sizeof(MarkerData) == 12, "marker stride");

static_assert(sizeof(sBodyPose) == 72, "sBodyPose size");
static_assert(offsetof(sBodyPose, x) == 4 && offsetof(sBodyPose, y) == 8 && offsetof(sBodyPose, z) == 12, "");
static_assert(offsetof(sBodyPose, qx) == 16 && offsetof(sBodyPose, qy) == 20, "sBodyPose orientation");
static_assert(offsetof(sBodyPose, qz) == 24 && offsetof(sBodyPose, qw) == 28, "sBodyPose orientation");
static_assert(offsetof(sBodyPose, attachedPoints) == 40, "sBodyPose pointer at 40");
static_assert(offsetof(sBodyPose, attachedIds) == 48, "sBodyPose pointer at 48");
static_assert(offsetof(sBodyPose, attachedSizes) == 56, "sBodyPose pointer at 56");
static_assert(offsetof(sBodyPose, params) == 68 && sizeof(sBodyPose::params) == 2, "sBodyPose 16-bit field");

static_assert(sizeof(sMarkerSetFrame) == 272, "sMarkerSetFrame size");
static_assert(offsetof(sMarkerSetFrame, name) == 0, "");
static_assert(offsetof(sMarkerSetFrame, markerCount) == 256, "");
static_assert(offsetof(sMarkerSetFrame, markers) == 264, "");

static_assert(sizeof(sSkeletonFrame) == 16, "sSkeletonFrame size");
static_assert(offsetof(sSkeletonFrame, boneCount) == 4 && offsetof(sSkeletonFrame, bones) == 8, "");

static_assert(sizeof(sFrameOfMocapData) == 152208, "sFrameOfMocapData size");
static_assert(offsetof(sFrameOfMocapData, markerSetCount) == 4, "");
static_assert(offsetof(sFrameOfMocapData, markerSets) == 8, "");
static_assert(offsetof(sFrameOfMocapData, markerSets) + sizeof(sMarkerSetFrame) * kMaxMarkerSetFrames <= 54408,
              "marker sets must end before offset 54408");
static_assert(offsetof(sFrameOfMocapData, bodyPoses) == 54432, "");
static_assert(offsetof(sFrameOfMocapData, skeletonCount) == 126432, "");
static_assert(offsetof(sFrameOfMocapData, skeletons) == 126440, "");

static_assert(sizeof(sSegmentPose) == 56, "sSegmentPose size");
static_assert(offsetof(sSegmentPose, rx) == 24 && offsetof(sSegmentPose, rz) == 40, "");

static_assert(sizeof(sBodyFrame) == 192, "sBodyFrame size");
static_assert(offsetof(sBodyFrame, markerCount) == 128 && offsetof(sBodyFrame, markers) == 136, "");
static_assert(offsetof(sBodyFrame, segmentCount) == 148 && offsetof(sBodyFrame, segments) == 152, "");

static_assert(offsetof(sFrameOfData, bodyCount) == 8 && offsetof(sFrameOfData, bodies) == 16, "");

static_assert(sizeof(sDescriptionEntry) == 16, "sDescriptionEntry size");
static_assert(offsetof(sDescriptionEntry, type) == 0 && offsetof(sDescriptionEntry, data) == 8, "");
static_assert(offsetof(sDataDescriptions, descriptionCount) == 0 && offsetof(sDataDescriptions, descriptions) == 8, "");

static_assert(offsetof(sMarkerSetDesc, markerCount) == 256 && offsetof(sMarkerSetDesc, markerNames) == 264, "");
static_assert(sizeof(sBoneDesc) == 292, "sBoneDesc size");
static_assert(offsetof(sBoneDesc, parentId) == 260, "");
static_assert(offsetof(sSkeletonDesc, boneCount) == 260 && offsetof(sSkeletonDesc, bones) == 264, "");

static_assert(sizeof(sBodyDefEntry) == 64, "sBodyDefEntry size");
static_assert(offsetof(sBodyDefEntry, markerCount) == 8 && offsetof(sBodyDefEntry, markerNames) == 16, "");
static_assert(offsetof(sBodyDefEntry, segmentCount) == 24 && offsetof(sBodyDefEntry, segmentNames) == 32, "");
static_assert(offsetof(sBodyDefEntry, segmentParents) == 40, "");
static_assert(offsetof(sBodyDefs, bodyDefCount) == 0 && offsetof(sBodyDefs, bodyDefs) == 8, "");
