#include "QPluginPanel.h"

#include <chrono>
#include <future>
#include <sstream>

#include <QtCore/QCoreApplication>
#include <QtCore/QPointer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QRadioButton>

#include <maya/MGlobal.h>
#include <maya/MString.h>

#include "ApplyBudget.h"
#include "FrameApplier.h"
#include "FrameQueue.h"
#include "FrameStats.h"
#include "NodeNames.h"
#include "OrvanePluginSDK.h"
#include "OrvaneSubject.h"
#include "PanelEventLoops.h"
#include "PanelMarkerTable.h"
#include "QMarkerTableWidget.h"
#include "SanitizerAnnotations.h"
#include "SceneBuilder.h"
#include "SdkCallbacks.h"
#include "TakeSession.h"

namespace {

const char* const kConnectedText = "Online";
const char* const kDisconnectedText = "Offline";

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

int nestedLoops = 0;  // UI thread only

std::string lastErrorMessage() {
    std::string message;
    sdk()->getLastErrorMsg(message);
    return message;
}

}  // namespace

int orvane::panel::nestedEventLoops() { return nestedLoops; }

orvane::panel::NestedEventLoop::NestedEventLoop() { ++nestedLoops; }

orvane::panel::NestedEventLoop::~NestedEventLoop() { --nestedLoops; }

QPluginPanel::QPluginPanel(QWidget* parent)
    : QWidget(parent),
      OrvaneObserver(),
      dagModifier(),
      sceneMutex(QMutex::Recursive),
      sceneWatch([this] { clearNodeLists(); }, [this] { buildSceneFromDescriptions(); }),
      refreshThread(nullptr),
      connectionState(ConnectionState::Idle),
      bodyDefs(nullptr),
      dataDescriptions(nullptr) {
    ui.setupUi(this);

    ui.checkboxConnect->setChecked(false);
    ui.checkboxConnect->setText(kDisconnectedText);

    ui.comboBoxSDKVersion->setCurrentIndex(1);
    sdk()->setVersion(SDKVER_V2);

    // The radio state and the SDK agree from the start: unicast.
    ui.radioUnicast->setChecked(true);
    ui.radioMulticast->setChecked(false);
    sdk()->setConnectionType(ConnectionType_Unicast);

    ui.checkBoxSmooth->setChecked(false);
    ui.checkBoxSmooth->setEnabled(false);
    sdk()->setSmoothEnabled(false);

    connect(ui.radioUnicast, SIGNAL(clicked(bool)), this, SLOT(onRadioUnicastEnabled(bool)));
    connect(ui.radioMulticast, SIGNAL(clicked(bool)), this, SLOT(onRadioMulticastEnabled(bool)));
    connect(ui.checkboxConnect, SIGNAL(clicked(bool)), this, SLOT(onCheckBoxConnectChanged(bool)));
    connect(ui.comboBoxSDKVersion, SIGNAL(currentIndexChanged(int)), this, SLOT(onComBoxSDKVersionChanged(int)));
    connect(ui.checkBoxSmooth, SIGNAL(clicked(bool)), this, SLOT(onCheckBoxSmoothEnabled(bool)));
    connect(&refreshThread, &UIThread::readyRefresh, this, &QPluginPanel::onUpdateUI_V2);
    connect(this, SIGNAL(requestUpdateUI_V1(sFrameOfData*)), this, SLOT(onUpdateUI_V1(sFrameOfData*)),
            Qt::BlockingQueuedConnection);

    registerSdkHandlers();

    refreshThread.setParent(this);
    refreshThread.startRefresh();
}

QPluginPanel::~QPluginPanel() {
    // Whatever the connection holds ends here, in any state: the SDK's thread may be handing this panel a
    // frame until the stop task is over. Deleted from inside one of the panel's own loops (the stop's wait,
    // an error box), the flow below that loop finds the panel gone and touches nothing.
    endConnection(PanelFate::Going);
    setConnectedState(false);
    // The handlers are this module's code, which may be unloaded after the panel: the SDK keeps none.
    sdk()->setDataHandlerV1(nullptr);
    sdk()->setMsgCallbackV1(nullptr);
    sdk()->setDataHandlerV2(nullptr);
    sdk()->setMsgCallbackV2(nullptr);
    refreshThread.stopRefresh();
    // Copies handed on to this panel whose events were never delivered, and copies still queued.
    refreshThread.releaseUnapplied();
    orvane::drainFrameQueue();
    // The thread object is a member; take it back from the parent-child ownership before QObject's
    // destructor would delete it a second time.
    refreshThread.setParent(nullptr);
}

// ---------------------------------------------------------------- controller

void QPluginPanel::registerSdkHandlers() {
    switch (sdk()->getVersion()) {
        case SDKVER_V1:
            sdk()->setDataHandlerV1(dataHandlerV1);
            sdk()->setMsgCallbackV1(msgCallbackV1);
            break;
        case SDKVER_V2:
            sdk()->setDataHandlerV2(dataHandlerV2);
            sdk()->setMsgCallbackV2(msgCallbackV2);
            break;
        default: break;
    }
}

void QPluginPanel::setConnectedState(bool connected) {
    ui.radioUnicast->setEnabled(!connected);
    ui.radioMulticast->setEnabled(!connected);
    ui.comboBoxSDKVersion->setEnabled(!connected);
    ui.checkBoxSmooth->setEnabled(ui.comboBoxSDKVersion->isEnabled() && ui.comboBoxSDKVersion->currentIndex() == 0);
    ui.checkboxConnect->setText(connected ? kConnectedText : kDisconnectedText);
    ui.checkboxConnect->setChecked(connected);
    if (connected) {
        refreshThread.resumeRefresh();
    } else {
        refreshThread.pauseRefresh();
        clearNodeLists();
        ui.tableWidget->clearRows();
    }
}

void QPluginPanel::onCheckBoxConnectChanged(bool checked) {
    // A click handled inside one of the panel's own loops does nothing: the flow below the loop decides.
    if (connectionState != ConnectionState::Idle && connectionState != ConnectionState::Connected) return;
    if (checked && connectionState == ConnectionState::Idle) {
        if (!connectClient()) return;
    } else if (!checked && connectionState == ConnectionState::Connected) {
        // Also when the SDK lost the connection on its own: its client is still to be stopped and released.
        if (!endConnection(PanelFate::Stays)) return;
    }
    setConnectedState(connectionState == ConnectionState::Connected);
}

bool QPluginPanel::connectClient() {
    if (sdk()->createClient() != 0) return reportFailure("Create Client", lastErrorMessage(), PanelFate::Stays);
    connectionState = ConnectionState::Connecting;
    const char* failedStep = nullptr;
    if (sdk()->initClient() != 0) {
        failedStep = "Init Client";
    } else if (!fetchDescriptions()) {
        failedStep = "Data Descriptions";
    } else {
        // Attached before the start, so that no frame of the connection is missed: the scene is built only once
        // the start succeeded, and frames that come first wait for it (version 1 on the SDK's thread; version 2
        // copies queued until then are discarded by the build).
        orvane::startFrameStatistics();  // what the panel sees from here on
        OrvaneSystem::instance()->attach(this);
        if (sdk()->startClient() != 0) failedStep = "Start Client";
    }
    if (failedStep != nullptr) {
        const std::string message = lastErrorMessage();
        return endConnection(PanelFate::Stays) && reportFailure(failedStep, message, PanelFate::Stays);
    }
    connectionState = ConnectionState::Connected;
    buildSceneFromDescriptions();
    // Started without an error but not connected: nothing would ever stream, and the client is ended now
    // rather than left to a later click.
    if (!sdk()->isConnected()) return endConnection(PanelFate::Stays);
    return true;
}

bool QPluginPanel::endConnection(PanelFate fate) {
    if (connectionState == ConnectionState::Connecting || connectionState == ConnectionState::Connected) {
        endTake();
        OrvaneSystem::instance()->detach(this);
        const bool started = connectionState == ConnectionState::Connected;
        // Both calls on a worker: after a failed stop the release ends the stream itself, and joining the SDK's
        // thread on this thread would hang while that thread waits here with a version 1 frame.
        stopTask = std::async(std::launch::async, [started] {
            StopOutcome outcome;
            if (started && sdk()->stopClient() != 0) {
                outcome.failedStep = "Stop Client";
                sdk()->getLastErrorMsg(outcome.message);
            }
            if (sdk()->releaseClient() != 0 && outcome.failedStep == nullptr) {
                outcome.failedStep = "Release Client";
                sdk()->getLastErrorMsg(outcome.message);
            }
            return outcome;
        });
        connectionState = ConnectionState::Stopping;
    }
    if (connectionState != ConnectionState::Stopping) return true;
    if (!waitForStop(fate)) return false;
    const StopOutcome outcome = stopTask.get();
    releaseDescriptions();
    clearNodeLists();
    connectionState = ConnectionState::Idle;
    if (outcome.failedStep == nullptr) return true;
    return reportFailure(outcome.failedStep, outcome.message, fate);
}

bool QPluginPanel::waitForStop(PanelFate fate) {
    if (fate == PanelFate::Going) {
        // Only a version 1 delivery waits for this thread: its blocking call event is dropped (which lets the
        // SDK's thread go on) instead of applied, and no host event runs inside the destructor.
        while (stopTask.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
        return true;
    }
    const QPointer<QPluginPanel> alive(this);
    const orvane::panel::NestedEventLoop loop;
    while (stopTask.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        QCoreApplication::processEvents();
        if (alive.isNull()) return false;
        // Run from inside the delivery of posted events (a queued call, a deferred deletion), the nested
        // processEvents may deliver none of them (Qt's GLib event dispatcher does not enter its posted-event
        // source again): the waiting version 1 frame is applied here.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    return true;
}

bool QPluginPanel::reportFailure(const char* title, const std::string& message, PanelFate fate) {
    if (fate == PanelFate::Going || MGlobal::mayaState() != MGlobal::kInteractive) {
        MGlobal::displayWarning(MString(title) + ": " + message.c_str());
        return true;
    }
    connectionState = ConnectionState::Reporting;
    const QPointer<QPluginPanel> alive(this);
    {
        const orvane::panel::NestedEventLoop loop;
        // A child of the panel on the heap: deleting the panel from inside the box's loop closes and deletes
        // the box with it, and the guard tells whether the panel outlived it.
        const QPointer<QMessageBox> box(new QMessageBox(QMessageBox::Critical, QString::fromLatin1(title),
                                                        QString::fromUtf8(message.c_str()), QMessageBox::Ok, this));
        box->exec();
        if (alive.isNull()) return false;
        delete box.data();
    }
    connectionState = ConnectionState::Idle;
    return true;
}

bool QPluginPanel::fetchDescriptions() {
    // New descriptions: a body index may name another performer from now on.
    orvane::resetSmoothing();
    switch (sdk()->getVersion()) {
        case SDKVER_V1:
            // Version 1 has no sign of failure other than no descriptions.
            bodyDefs = OrvaneSystem::instance()->getDataDescriptionsV1();
            return bodyDefs != nullptr;
        case SDKVER_V2: return OrvaneSystem::instance()->getDataDescriptionsV2(&dataDescriptions) == 0;
        default: return true;
    }
}

void QPluginPanel::releaseDescriptions() {
    if (bodyDefs != nullptr) OrvaneSystem::instance()->freeDataDescriptionsV1(bodyDefs);
    if (dataDescriptions != nullptr) OrvaneSystem::instance()->freeDataDescriptionsV2(dataDescriptions);
    bodyDefs = nullptr;
    dataDescriptions = nullptr;
}

bool QPluginPanel::startTake(const std::string& path, const std::string& takeName, double hostStartSeconds,
                             std::string& error) {
    if (!isConnected()) {
        error = "the Live Panel is not connected";
        return false;
    }
    orvane::take::TakeLayout layout;
    if (dataDescriptions != nullptr)
        layout = orvane::take::layoutFromDescriptionsV2(*dataDescriptions);
    else if (bodyDefs != nullptr)
        layout = orvane::take::layoutFromDescriptionsV1(*bodyDefs);
    else {
        error = "the connection holds no descriptions";
        return false;
    }
    layout.takeName = takeName;
    layout.hostStartSeconds = hostStartSeconds;
    layout.wallClockStartUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    QMutexLocker lock(&sceneMutex);
    return orvane::panel::takeSession().start(layout, path, markerNodeLists, jointNodeLists, error);
}

void QPluginPanel::endTake() {
    orvane::panel::TakeSession& session = orvane::panel::takeSession();
    if (!session.isRecording()) return;
    const orvane::take::TakeSummary summary = session.stop();
    std::ostringstream message;
    message << "orvaneRecord: the connection ended while recording; the take (" << summary.framesWritten
            << " frames) is kept unbaked in " << session.path();
    if (summary.framesDropped > 0) message << "; " << summary.framesDropped << " frames were dropped";
    MGlobal::displayWarning(MString(message.str().c_str()));
}

void QPluginPanel::onRadioUnicastEnabled(bool checked) {
    if (!checked) return;
    sdk()->setConnectionType(ConnectionType_Unicast);
    ui.radioMulticast->setChecked(false);
}

void QPluginPanel::onRadioMulticastEnabled(bool checked) {
    if (!checked) return;
    sdk()->setConnectionType(ConnectionType_Multicast);
    ui.radioUnicast->setChecked(false);
}

void QPluginPanel::onComBoxSDKVersionChanged(int index) {
    sdk()->setVersion(static_cast<SDKVER>(index));
    ui.checkBoxSmooth->setEnabled(index == 0);
    registerSdkHandlers();
}

void QPluginPanel::onCheckBoxSmoothEnabled(bool checked) { sdk()->setSmoothEnabled(checked); }

// ---------------------------------------------------------------- frame transport

void QPluginPanel::onFrameV2(sFrameOfMocapData* frame) {
    // Every frame goes into a running take, before the queue that keeps only the newest.
    orvane::panel::takeSession().recordFrameV2(*frame);
    orvane::frameStats().countReceived();
    orvane::enqueueFrameCopy(frame);
}

void QPluginPanel::onFrameV1(sFrameOfData* frame) {
    orvane::panel::takeSession().recordFrameV1(*frame);  // smoothed already, and before the budget may skip it
    orvane::frameStats().countReceived();
    // Smoothed already; while the UI thread's budget is spent the frame is skipped and this thread goes on.
    if (!orvane::applyBudget().handOnV1(orvane::ApplyBudget::nowNs())) return;
    // The blocking queued call hands the frame to the UI thread and, when onUpdateUI_V1 returns, back to
    // this thread, through a semaphore inside Qt.
    ORVANE_HAPPENS_BEFORE(frame);
    {
        const orvane::sanitizer::QtHandOver handOver;
        emit requestUpdateUI_V1(frame);
    }
    ORVANE_HAPPENS_AFTER(frame);
}

// ---------------------------------------------------------------- scene binding

void QPluginPanel::clearNodeLists() {
    jointNodeLists.clear();
    markerNodeLists.clear();
    // The lists of a connection end here (a new build, or the not-connected state): copies queued or in
    // flight until now belong to them and must never reach the lists that come next.
    orvane::startFrameSession();
}

void QPluginPanel::buildSceneFromDescriptions() {
    QMutexLocker lock(&sceneMutex);
    clearNodeLists();
    ui.tableWidget->clearRows();
    if (bodyDefs != nullptr) buildSceneV1(bodyDefs);
    if (dataDescriptions != nullptr) buildSceneV2(dataDescriptions);
}

void QPluginPanel::buildSceneV1(sBodyDefs* bodyDefs) {
    QMutexLocker lock(&sceneMutex);
    PanelMarkerTable table(ui.tableWidget, ui.checkBoxRefreshUI);
    orvane::scene::SceneBuilder(dagModifier, jointNodeLists, markerNodeLists, table).buildV1(bodyDefs);
}

void QPluginPanel::buildSceneV2(sDataDescriptions* descriptions) {
    QMutexLocker lock(&sceneMutex);
    PanelMarkerTable table(ui.tableWidget, ui.checkBoxRefreshUI);
    orvane::scene::SceneBuilder(dagModifier, jointNodeLists, markerNodeLists, table).buildV2(descriptions);
}

MDagPath QPluginPanel::findDagPathByName(const std::string& name) { return orvane::scene::findDagPathByName(name); }

MObject QPluginPanel::findOrCreateNode(const std::string& name, const std::string& typeName) {
    const std::string hostName = orvane::scene::hostNodeName(orvane::RecordName{name.data(), name.size()});
    if (!hostName.empty()) {
        // Only a node of the kind wanted is reused: a namesake of another kind (a mesh's transform named as a
        // marker) is left alone, and the new node takes the host's next free name.
        const MDagPath path = findDagPathByName(hostName);
        if (path.isValid() && orvane::scene::isNodeOfKind(path, typeName.c_str())) return path.node();
    }
    return orvane::scene::createNamedNode(dagModifier, hostName, typeName.c_str());
}

// ---------------------------------------------------------------- frame slots

void QPluginPanel::onUpdateUI_V1(sFrameOfData* frame) {
    // The SDK's thread waits in onFrameV1 until this returns: the frame is this thread's meanwhile.
    ORVANE_HAPPENS_AFTER(frame);
    const orvane::ApplyScope applying;
    if (frame != nullptr && ui.tableWidget->rowCount() > 1) {
        QMutexLocker lock(&sceneMutex);
        PanelMarkerTable table(ui.tableWidget, ui.checkBoxRefreshUI);
        orvane::scene::applyFrameV1(*frame, jointNodeLists, markerNodeLists, table);
    }
    ORVANE_HAPPENS_BEFORE(frame);
}

void QPluginPanel::onUpdateUI_V2(sFrameOfMocapData* frame) {
    // Posted by the refresh thread's queued emission, through the event queue's lock inside Qt.
    ORVANE_HAPPENS_AFTER(frame);
    orvane::ApplyScope applying;  // before the copy leaves the flight: the UI thread is never seen idle meanwhile
    const orvane::FrameCopy copy = refreshThread.takeEmitted(frame);
    if (!copy || !orvane::isCurrentFrameSession(copy)) applying.discard();
    if (!copy) return;
    if (!orvane::isCurrentFrameSession(copy)) {
        // Queued before the node lists were last rebuilt or emptied: its indices mean other nodes now.
        orvane::countDiscardedFrame();
        return;
    }
    QMutexLocker lock(&sceneMutex);
    PanelMarkerTable table(ui.tableWidget, ui.checkBoxRefreshUI);
    orvane::scene::applyFrameV2(*copy.get(), jointNodeLists, markerNodeLists, table);
}
