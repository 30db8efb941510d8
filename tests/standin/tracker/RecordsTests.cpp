// Description records, name truncation, capacity limits, frame copies and the point smoother.

#include <cstring>
#include <string>

#include "TestSupport.h"

namespace {

trk::SubjectDef makeSubject(const std::string& name, int markers, int bones) {
    trk::SubjectDef subject;
    subject.name = name;
    subject.skeletonName = name + "_Skeleton";
    for (int m = 0; m < markers; ++m) subject.markerNames.push_back(name + "_m" + std::to_string(m));
    for (int b = 0; b < bones; ++b) subject.bones.push_back({name + "_b" + std::to_string(b), b - 1, {0, 10.0 * b, 0}});
    return subject;
}

class Records : public SdkTest {};

}  // namespace

TEST_F(Records, Version2DescriptionsFollowTheScene) {
    trk::SyntheticOptions options;
    options.performers = 2;
    trk::useSyntheticSource(options);
    trk::SceneDef scene = trk::currentScene();
    // A marker-only subject between the performers: no skeleton entry, later ordinals unshifted.
    scene.subjects.insert(scene.subjects.begin() + 1, makeSubject("Prop", 4, 0));
    useScripted(scene);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();

    sDataDescriptions* d = nullptr;
    ASSERT_EQ(sdk()->getDataDescriptionsV2(&d), 0);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->descriptionCount, 5);
    const int types[] = {Descriptor_MarkerSet, Descriptor_Skeleton, Descriptor_MarkerSet, Descriptor_MarkerSet,
                         Descriptor_Skeleton};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(d->descriptions[i].type, types[i]) << i;

    const sMarkerSetDesc& prop = *d->descriptions[2].markerSetDescription;
    EXPECT_STREQ(prop.name, "Prop");
    ASSERT_EQ(prop.markerCount, 4);
    EXPECT_STREQ(prop.markerNames[3], "Prop_m3");

    const trk::SubjectDef& performer2 = scene.subjects[2];
    const sMarkerSetDesc& set = *d->descriptions[3].markerSetDescription;
    EXPECT_STREQ(set.name, performer2.name.c_str());
    ASSERT_EQ(set.markerCount, static_cast<int>(performer2.markerNames.size()));
    for (int m = 0; m < set.markerCount; ++m) EXPECT_EQ(set.markerNames[m], performer2.markerNames[m]);

    const sSkeletonDesc& skeleton = *d->descriptions[4].skeletonDescription;
    EXPECT_STREQ(skeleton.name, "Performer2_Skeleton");
    ASSERT_EQ(skeleton.boneCount, static_cast<int>(performer2.bones.size()));
    for (int b = 0; b < skeleton.boneCount; ++b) {
        EXPECT_EQ(skeleton.bones[b].name, performer2.bones[b].name);
        EXPECT_EQ(skeleton.bones[b].id, b + 1);
        // parentId is the parent's 1-based position; the parent's own name confirms which bone it is.
        const int parentId = skeleton.bones[b].parentId;
        if (performer2.bones[b].parent < 0) {
            EXPECT_EQ(parentId, 0);
        } else {
            ASSERT_GE(parentId, 1);
            EXPECT_EQ(skeleton.bones[parentId - 1].name, performer2.bones[performer2.bones[b].parent].name);
        }
    }
    EXPECT_STREQ(skeleton.bones[trk::currentScene().subjects[2].bones.size() - 1].name, "Performer2_RightToeBase");
    sdk()->freeDataDescriptionsV2(d);
    sdk()->freeDataDescriptionsV2(nullptr);
}

TEST_F(Records, Version1DescriptionsUseZeroBasedParents) {
    sdk()->setVersion(SDKVER_V1);
    EXPECT_EQ(sdk()->getDataDescriptionsV1(), nullptr) << "no descriptions before initClient";
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    const trk::SceneDef scene = trk::currentScene();
    sBodyDefs* defs = sdk()->getDataDescriptionsV1();
    ASSERT_NE(defs, nullptr);
    ASSERT_EQ(defs->bodyDefCount, 1);
    const sBodyDefEntry& body = defs->bodyDefs[0];
    EXPECT_STREQ(body.name, "Performer1");
    ASSERT_EQ(body.markerCount, static_cast<int>(scene.subjects[0].markerNames.size()));
    EXPECT_STREQ(body.markerNames[0], "Performer1_LFHD");
    ASSERT_EQ(body.segmentCount, static_cast<int>(scene.subjects[0].bones.size()));
    EXPECT_EQ(body.segmentParents[0], -1);
    for (int k = 1; k < body.segmentCount; ++k) {
        ASSERT_GE(body.segmentParents[k], 0);
        ASSERT_LT(body.segmentParents[k], k);
        EXPECT_EQ(body.segmentNames[body.segmentParents[k]],
                  scene.subjects[0].bones[scene.subjects[0].bones[k].parent].name);
    }
    sdk()->freeDataDescriptionsV1(defs);
    sdk()->freeDataDescriptionsV1(nullptr);
    EXPECT_EQ(sdk()->releaseClient(), 0);
    EXPECT_EQ(sdk()->getDataDescriptionsV1(), nullptr) << "none after release";
}

TEST_F(Records, LongNamesAreTruncatedInsideInlineBuffers) {
    // 300 bytes with a two-byte character straddling the cut at 255.
    const std::string longName = std::string(254, 'a') + "\xC3\xA9" + std::string(44, 'b');
    trk::SceneDef scene;
    scene.subjects.push_back(makeSubject(longName, 2, 2));
    scene.subjects[0].bones[1].name = longName;
    useScripted(scene);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    sDataDescriptions* d = nullptr;
    ASSERT_EQ(sdk()->getDataDescriptionsV2(&d), 0);
    const sMarkerSetDesc& set = *d->descriptions[0].markerSetDescription;
    EXPECT_EQ(std::string(set.name), std::string(254, 'a')) << "cut before the split character";
    EXPECT_STREQ(set.markerNames[0], (longName + "_m0").c_str()) << "pointer names keep their length";
    EXPECT_EQ(std::string(d->descriptions[1].skeletonDescription->bones[1].name), std::string(254, 'a'));
    sdk()->freeDataDescriptionsV2(d);
    ASSERT_EQ(sdk()->releaseClient(), 0);

    sdk()->setVersion(SDKVER_V1);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    sBodyDefs* defs = sdk()->getDataDescriptionsV1();
    EXPECT_EQ(std::string(defs->bodyDefs[0].name), longName);
    sdk()->freeDataDescriptionsV1(defs);
}

TEST_F(Records, ScenesBeyondTheRecordCapacitiesFailInit) {
    struct Case {
        int subjects, bones;
        SDKVER version;
        bool fits;
    } cases[] = {
        {64, 2, SDKVER_V1, true},   {65, 2, SDKVER_V1, false},  {100, 2, SDKVER_V2, true},
        {101, 2, SDKVER_V2, false},  // 101 skeletons
        {200, 0, SDKVER_V2, true},  {201, 0, SDKVER_V2, false}, {1, 128, SDKVER_V2, true},
        {1, 129, SDKVER_V2, false}, {1, 129, SDKVER_V1, true},
    };
    for (const Case& c : cases) {
        trk::SceneDef scene;
        for (int s = 0; s < c.subjects; ++s) scene.subjects.push_back(makeSubject("S" + std::to_string(s), 3, c.bones));
        useScripted(scene);
        sdk()->setVersion(c.version);
        ASSERT_EQ(sdk()->createClient(), 0);
        const int result = sdk()->initClient();
        const std::string what = std::to_string(c.subjects) + " subjects with " + std::to_string(c.bones) +
                                 " bones in version " + std::to_string(c.version + 1);
        EXPECT_EQ(result == 0, c.fits) << what << ": " << lastError();
        if (!c.fits) {
            EXPECT_EQ(lastError().rfind("initClient: ", 0), 0u) << lastError();
        }
        ASSERT_EQ(sdk()->releaseClient(), 0);
    }

    trk::SceneDef misordered;
    misordered.subjects.push_back(makeSubject("Bad", 1, 3));
    misordered.subjects[0].bones[1].parent = 2;
    useScripted(misordered);
    ASSERT_EQ(sdk()->createClient(), 0);
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_NE(lastError().find("Bad_b1"), std::string::npos) << lastError();
}

TEST_F(Records, FrameCopiesOwnTheirArraysAndReleaseCleanly) {
    // A hand-made source frame: one marker set, one skeleton, and an empty frame.
    auto* source = new sFrameOfMocapData();
    MarkerData markers[2] = {{1, 2, 3}, {4, 5, 6}};
    sBodyPose bones[1] = {};
    bones[0].x = 7, bones[0].qw = 1;
    source->frameNumber = 77;
    source->markerSetCount = 1;
    std::strcpy(source->markerSets[0].name, "Rig");
    source->markerSets[0].markerCount = 2;
    source->markerSets[0].markers = markers;
    source->skeletonCount = 1;
    source->skeletons[0] = {5, 1, bones};
    source->serverSendTimeUs = 11;
    source->receiveTimeUs = 12;

    auto* copy = new sFrameOfMocapData;  // uninitialised, as the plug-in allocates it
    std::memset(static_cast<void*>(copy), 0xA5, sizeof(*copy));
    ASSERT_EQ(sdk()->copyFrameV2(source, copy), 0);
    markers[0][0] = -1;  // the source changes after the copy
    bones[0].x = -1;
    EXPECT_EQ(copy->frameNumber, 77);
    EXPECT_STREQ(copy->markerSets[0].name, "Rig");
    EXPECT_NE(copy->markerSets[0].markers, markers);
    EXPECT_EQ(copy->markerSets[0].markers[0][0], 1.0f);
    EXPECT_EQ(copy->markerSets[0].markers[1][2], 6.0f);
    EXPECT_EQ(copy->skeletons[0].boneCount, 1);
    EXPECT_EQ(copy->skeletons[0].bones[0].x, 7.0f);
    EXPECT_EQ(copy->serverSendTimeUs, 11);
    EXPECT_EQ(copy->receiveTimeUs, 12);
    EXPECT_EQ(trk::liveFrameCopies(), 1);
    EXPECT_EQ(sdk()->freeFrameV2(copy), 0);
    EXPECT_EQ(copy->markerSetCount, 0);
    EXPECT_EQ(trk::liveFrameCopies(), 0);

    auto* empty = new sFrameOfMocapData();
    ASSERT_EQ(sdk()->copyFrameV2(empty, copy), 0);
    EXPECT_EQ(copy->markerSetCount, 0);
    EXPECT_EQ(copy->skeletonCount, 0);
    EXPECT_EQ(sdk()->freeFrameV2(copy), 0);

    EXPECT_NE(sdk()->copyFrameV2(nullptr, copy), 0);
    EXPECT_NE(lastError().find("copyFrameV2"), std::string::npos);
    EXPECT_EQ(copy->markerSetCount, 0) << "a failed copy is still safe to free";
    source->markerSetCount = 5000;
    EXPECT_NE(sdk()->copyFrameV2(source, copy), 0);
    EXPECT_NE(sdk()->freeFrameV2(nullptr), 0);
    EXPECT_EQ(trk::liveFrameCopies(), 0);
    delete copy;
    delete empty;
    delete source;
}

TEST(SmoothFramePointArray, SmoothsToTheMeanOfTheLastWindow) {
    SmoothFramePointArray smoother(3);
    float x = 5, y = 6, z = 7;
    smoother.Smooth(x, y, z);
    EXPECT_EQ(x, 5.0f) << "nothing cached: unchanged";

    const double points[5][3] = {{1, 10, 100}, {2, 20, 200}, {6, 60, 600}, {11, 110, 1100}, {-4, -40, -400}};
    // Hand-computed means of the last three points cached so far.
    const double expected[5][3] = {{1, 10, 100},
                                   {1.5, 15, 150},
                                   {3, 30, 300},
                                   {19.0 / 3, 190.0 / 3, 1900.0 / 3},
                                   {13.0 / 3, 130.0 / 3, 1300.0 / 3}};
    for (int i = 0; i < 5; ++i) {
        smoother.Cache(points[i][0], points[i][1], points[i][2]);
        float sx = 0, sy = 0, sz = 0;
        smoother.Smooth(sx, sy, sz);
        EXPECT_FLOAT_EQ(sx, static_cast<float>(expected[i][0])) << i;
        EXPECT_FLOAT_EQ(sy, static_cast<float>(expected[i][1])) << i;
        EXPECT_FLOAT_EQ(sz, static_cast<float>(expected[i][2])) << i;
    }
    EXPECT_EQ(smoother.cachedCount(), 3);
}

TEST(SmoothFramePointArray, WindowIsClampedToOneThroughSixtyFour) {
    EXPECT_EQ(SmoothFramePointArray(0).windowSize(), 1);
    EXPECT_EQ(SmoothFramePointArray(-3).windowSize(), 1);
    EXPECT_EQ(SmoothFramePointArray(7).windowSize(), 7);
    SmoothFramePointArray wide(1000);
    EXPECT_EQ(wide.windowSize(), 64);
    for (int i = 1; i <= 100; ++i) wide.Cache(i, 0, 0);
    float x = 0, y = 0, z = 0;
    wide.Smooth(x, y, z);
    EXPECT_FLOAT_EQ(x, (37 + 100) / 2.0f) << "mean of 37..100";

    SmoothFramePointArray one(1);
    one.Cache(1, 2, 3);
    one.Cache(4, 5, 6);
    one.Smooth(x, y, z);
    EXPECT_EQ(x, 4.0f);
    EXPECT_EQ(z, 6.0f);
}
