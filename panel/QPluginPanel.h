#pragma once
// The plug-in's control panel: connection type, protocol version, smoothing and table refresh, the
// connect box, and the table of marker sets. It is the one observer of OrvaneSystem and ties the SDK,
// the frame transport and the scene together.
//
// Threads: built, used and destroyed on the UI thread. onFrameV2/onFrameV1 run on the SDK's thread;
// version 2 copies reach onUpdateUI_V2 through the refresh thread, version 1 frames reach onUpdateUI_V1
// through a blocking queued signal (the SDK's thread waits until the slot has run).
// Ownership: the host layout the panel is added to owns it; the panel owns its widgets, the refresh
// thread, every frame copy handed to it, and the SDK's client and descriptions while it is connected.
// The panel may be deleted from inside any event loop it runs (the stop's wait, an error box): it checks
// that it is still alive after each of them.

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

    // Scene binding (UI thread). buildSceneFromDescriptions builds the node lists and the table anew from the
    // descriptions the current connection holds (empties them when not connected); it may run again while
    // connected, and copies in flight for the lists it replaces are then discarded.
    void buildSceneFromDescriptions();
    void clearNodeLists();
    void buildSceneV1(sBodyDefs* bodyDefs);
    void buildSceneV2(sDataDescriptions* descriptions);
    MDagPath findDagPathByName(const std::string& name);
    MObject findOrCreateNode(const std::string& name, const std::string& typeName);

    // Recording (UI thread). startTake starts the module's take session (TakeSession) on the current
    // connection's descriptions and node lists; false, with `error`, when not connected or recording already.
    // Ending the connection while recording ends the take, its file complete.
    bool isConnected() const { return connectionState == ConnectionState::Connected; }
    bool startTake(const std::string& path, const std::string& takeName, double hostStartSeconds, std::string& error);

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
    void onUpdateUI_V2(sFrameOfMocapData*);  // names a copy in flight on the refresh thread (takeEmitted)

private:
    // The connection's life, and what the panel holds in each state:
    //   Idle        nothing
    //   Connecting  a client it created; the descriptions once fetched; the registration before the start
    //   Connected   a started client, its descriptions, the node lists and one registration with OrvaneSystem
    //   Stopping    the stop task, which stops and releases the client; the descriptions and lists
    //   Reporting   nothing: a failed step's message box is up
    // Clicks are honoured in Idle and Connected; the other states are inside the panel's own flows and loops.
    enum class ConnectionState { Idle, Connecting, Connected, Stopping, Reporting };
    // Whether the panel stays after an ending: a staying panel keeps the host's events running while it
    // waits and shows failures in a box; a going one (its destructor) runs no host event and only warns.
    enum class PanelFate { Stays, Going };
    // What the stop task reports: the title of its failed step (null when none) and the SDK's error text.
    struct StopOutcome {
        const char* failedStep = nullptr;
        std::string message;
    };

    void setConnectedState(bool connected);
    void registerSdkHandlers();
    // The connection flow from Idle. Returns false when the panel was deleted on the way (in a box or the
    // stop's wait): nothing of it may be touched then.
    bool connectClient();
    // From any state: detaches the panel, has the stop task stop (when started) and release the client,
    // waits for it, frees the descriptions, empties the lists, and reports a failed stop. Ends in Idle.
    // Returns false when the panel was deleted meanwhile (only a staying panel runs events).
    bool endConnection(PanelFate fate);
    // The one wait for the stop task (untick, failed attempt, destruction, unloading). Returns false when the
    // panel was deleted by an event it processed.
    bool waitForStop(PanelFate fate);
    bool fetchDescriptions();
    void releaseDescriptions();
    void endTake();
    // A failed step's box (or warning): returns false when the panel was deleted while the box was up.
    bool reportFailure(const char* title, const std::string& message, PanelFate fate);

    QPluginPanelUi ui;
    MDagModifier dagModifier;
    QMutex sceneMutex;
    orvane::scene::NodeLists jointNodeLists;
    orvane::scene::NodeLists markerNodeLists;
    // At New and Open Scene: the lists are emptied before the old scene's nodes are destroyed, and built (with
    // the table) from the connection's descriptions once the new scene is in.
    orvane::panel::SceneChangeWatch sceneWatch;
    UIThread refreshThread;

    ConnectionState connectionState;
    std::future<StopOutcome> stopTask;    // valid in Stopping
    sBodyDefs* bodyDefs;                  // the connection's version 1 descriptions, the SDK's until released
    sDataDescriptions* dataDescriptions;  // the connection's version 2 descriptions, likewise
};
