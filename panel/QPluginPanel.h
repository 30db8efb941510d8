#pragma once
// The plug-in's control panel: connection type, protocol version, smoothing and table refresh, the
// connect box, and the table of marker sets. It is the one observer of OrvaneSystem and ties the SDK,
// the frame transport and the scene together.
//
// Threads: built, used and destroyed on the UI thread. onFrameV2/onFrameV1 run on the SDK's thread;
// version 2 copies reach onUpdateUI_V2 through the refresh thread, version 1 frames reach onUpdateUI_V1
// through a blocking queued signal (the SDK's thread waits until the slot has run).
// Ownership: the host layout the panel is added to owns it; the panel owns its widgets, the refresh
// thread and every frame copy handed to it.

// Qt headers come before any Maya header (the host's window-system header defines Bool, Status, ...).
#include <QtCore/QMutex>
#include <QtWidgets/QWidget>

#include <future>
#include <string>
#include <vector>

#include <maya/MDagModifier.h>
#include <maya/MDagPath.h>
#include <maya/MObject.h>

#include "OrvaneObserver.h"
#include "OrvaneRecords.h"
#include "QPluginPanelUi.h"
#include "SceneBuilder.h"
#include "SceneChangeWatch.h"
#include "UIThread.h"

class QPluginPanel : public QWidget, public OrvaneObserver {
    Q_OBJECT

public:
    explicit QPluginPanel(QWidget* parent = nullptr);
    ~QPluginPanel() override;

    // Observer operations, on the SDK's thread.
    void onFrameV2(sFrameOfMocapData* frame) override;
    void onFrameV1(sFrameOfData* frame) override;

    // Scene binding (UI thread).
    void buildSceneFromDescriptions();
    void clearNodeLists();
    void buildSceneV1(sBodyDefs* bodyDefs);
    void buildSceneV2(sDataDescriptions* descriptions);
    MDagPath findDagPathByName(const std::string& name);
    MObject findOrCreateNode(const std::string& name, const std::string& typeName);

    const QPluginPanelUi& form() const { return ui; }
    const orvane::scene::NodeLists& jointNodes() const { return jointNodeLists; }
    const orvane::scene::NodeLists& markerNodes() const { return markerNodeLists; }

    // Signals and slots are declared without parameter names: the meta-object records none.
signals:
    void requestUpdateUI_V1(sFrameOfData*);
    void requestUpdateUI_V2(sFrameOfMocapData*);

private slots:
    void onRadioUnicastEnabled(bool);
    void onRadioMulticastEnabled(bool);
    void onCheckBoxConnectChanged(bool);  // the new checked state
    void onComBoxSDKVersionChanged(int);  // the chosen index: 0 "V1.6", 1 "V2.0"
    void onCheckBoxSmoothEnabled(bool);
    void onUpdateUI_V1(sFrameOfData*);
    void onUpdateUI_V2(sFrameOfMocapData*);  // takes ownership of the copy

private:
    void setConnectedState(bool connected);
    void registerSdkHandlers();
    // False when createClient or initClient failed (after the error box).
    bool connectClient();
    // False when the panel was destroyed by an event processed during the wait; its destructor then
    // finished the disconnection and nothing of the panel may be touched any more.
    bool disconnectClient();
    // Waits for the pending stopClient without processing events (the panel is being destroyed).
    void finishStopping();
    void releaseStoppedClient();
    void showConnectError(const char* title);

    QPluginPanelUi ui;
    MDagModifier dagModifier;
    QMutex sceneMutex;
    orvane::scene::NodeLists jointNodeLists;
    orvane::scene::NodeLists markerNodeLists;
    // Rebuilds the node lists at New and Open Scene; after the lists and the lock it uses.
    orvane::panel::SceneChangeWatch sceneWatch;
    UIThread refreshThread;

    bool attached;              // one registration with OrvaneSystem at most
    bool changingConnection;    // a click handled during a disconnection's wait does nothing
    std::future<int> stopping;  // the disconnection's stopClient on its worker; valid until it is released
    // This panel created the SDK's client and has not released it, connected or not: a connection the SDK
    // lost on its own still has to be stopped and released, once.
    bool clientHeld;
};
