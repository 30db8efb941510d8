#include "QPluginPanel.h"

#include <chrono>
#include <future>

#include <QtCore/QCoreApplication>
#include <QtCore/QPointer>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QRadioButton>

#include "ApplyBudget.h"
#include "FrameApplier.h"
#include "FrameQueue.h"
#include "NodeNames.h"
#include "OrvanePluginSDK.h"
#include "OrvaneSubject.h"
#include "PanelEventLoops.h"
#include "PanelMarkerTable.h"
#include "QMarkerTableWidget.h"
#include "SanitizerAnnotations.h"
#include "SceneBuilder.h"
#include "SdkCallbacks.h"

namespace {

const char* const kConnectedText = "Online";
const char* const kDisconnectedText = "Offline";

COrvaneSDKClientManager* sdk() { return COrvaneSDKClientManager::instance(); }

int nestedLoops = 0;  // UI thread only

}  // namespace

int orvane::panel::nestedEventLoops() { return nestedLoops; }

orvane::panel::NestedEventLoop::NestedEventLoop() { ++nestedLoops; }

orvane::panel::NestedEventLoop::~NestedEventLoop() { --nestedLoops; }

QPluginPanel::QPluginPanel(QWidget* parent)
    : QWidget(parent),
      OrvaneObserver(),
      dagModifier(),
      sceneMutex(QMutex::Recursive),
      refreshThread(nullptr),
      attached(false),
      changingConnection(false),
      clientHeld(false) {
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
    if (stopping.valid()) {
        // The host deleted the panel from an event processed during a disconnection's wait, further up
        // this thread's stack. The SDK's thread may still be handing this panel a frame until stopClient
        // returns, so that disconnection ends here; the waiting call returns without touching the panel.
        finishStopping();
        releaseStoppedClient();
    } else if (!changingConnection) {
        onCheckBoxConnectChanged(false);
    }
    // An attempt that ended not connected, or a connection the SDK lost on its own, leaves the panel
    // attached without a disconnection to detach it; a destroyed panel must never be notified.
    if (attached) {
        OrvaneSystem::instance()->detach(this);
        attached = false;
    }
    // The handlers are this module's code, which may be unloaded after the panel: the SDK keeps none.
    sdk()->setDataHandlerV1(nullptr);
    sdk()->setMsgCallbackV1(nullptr);
    sdk()->setDataHandlerV2(nullptr);
    sdk()->setMsgCallbackV2(nullptr);
    refreshThread.stopRefresh();
    // Copies emitted to this panel whose events were never delivered, and copies still queued.
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

void QPluginPanel::showConnectError(const char* title) {
    std::string message;
    sdk()->getLastErrorMsg(message);
    const orvane::panel::NestedEventLoop loop;
    QMessageBox::critical(this, QString::fromLatin1(title), QString::fromUtf8(message.c_str()), QMessageBox::Ok,
                          QMessageBox::NoButton);
}

bool QPluginPanel::connectClient() {
    if (sdk()->createClient() != 0) {
        showConnectError("Create Client");
        return false;
    }
    clientHeld = true;
    if (sdk()->initClient() != 0) {
        showConnectError("Init Client");
        return false;
    }
    buildSceneFromDescriptions();
    if (!attached) {
        OrvaneSystem::instance()->attach(this);
        attached = true;
    }
    orvane::startFrameStatistics();
    sdk()->startClient();
    return true;
}

bool QPluginPanel::disconnectClient() {
    // The SDK's thread may be waiting in onFrameV1 for this thread: keep processing events while
    // stopClient runs elsewhere.
    stopping = std::async(std::launch::async, [] { return sdk()->stopClient(); });
    OrvaneSystem::instance()->detach(this);
    const QPointer<QPluginPanel> alive(this);
    const orvane::panel::NestedEventLoop loop;
    while (stopping.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        QCoreApplication::processEvents();
        if (alive.isNull()) return false;
        // Run from inside the delivery of posted events (a deferred deletion of the panel's control, a queued
        // call), the nested processEvents may deliver none of them (Qt's GLib event dispatcher does not enter
        // its posted-event source again): the waiting version 1 frame is applied here.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    releaseStoppedClient();
    return true;
}

void QPluginPanel::finishStopping() {
    // Only a version 1 delivery waits for this thread: its blocking call event is dropped (which lets the
    // SDK's thread go on) instead of applied, since the panel is going.
    while (stopping.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}

void QPluginPanel::releaseStoppedClient() {
    stopping = std::future<int>();
    sdk()->releaseClient();
    OrvaneSystem::instance()->detach(this);
    attached = false;
    clientHeld = false;
}

void QPluginPanel::onCheckBoxConnectChanged(bool checked) {
    if (changingConnection) return;
    changingConnection = true;
    if (checked && !sdk()->isConnected()) {
        if (!connectClient()) {
            setConnectedState(false);  // whatever the SDK reports
            changingConnection = false;
            return;
        }
    } else if (!checked && (sdk()->isConnected() || clientHeld)) {
        // Also when the SDK lost the connection on its own: its client is still to be stopped and released.
        if (!disconnectClient()) return;
    }
    setConnectedState(sdk()->isConnected());
    changingConnection = false;
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

void QPluginPanel::onFrameV2(sFrameOfMocapData* frame) { orvane::enqueueFrameCopy(frame); }

void QPluginPanel::onFrameV1(sFrameOfData* frame) {
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
    switch (sdk()->getVersion()) {
        case SDKVER_V1: {
            sBodyDefs* bodyDefs = OrvaneSystem::instance()->getDataDescriptionsV1();
            if (bodyDefs == nullptr) break;
            buildSceneV1(bodyDefs);
            OrvaneSystem::instance()->freeDataDescriptionsV1(bodyDefs);
            break;
        }
        case SDKVER_V2: {
            sDataDescriptions* descriptions = nullptr;
            OrvaneSystem::instance()->getDataDescriptionsV2(&descriptions);
            buildSceneV2(descriptions);
            OrvaneSystem::instance()->freeDataDescriptionsV2(descriptions);
            break;
        }
        default: break;
    }
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
        const MDagPath path = findDagPathByName(hostName);
        if (path.isValid()) return path.node();
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
    if (frame == nullptr) return;
    // Posted by the refresh thread's queued emission, through the event queue's lock inside Qt.
    ORVANE_HAPPENS_AFTER(frame);
    orvane::ApplyScope applying;  // before the copy leaves the flight: the UI thread is never seen idle meanwhile
    refreshThread.takeEmitted(frame);
    if (!orvane::isCurrentFrameSession(frame)) {
        // Queued before the node lists were last rebuilt or emptied: its indices mean other nodes now.
        applying.discard();
        orvane::releaseFrameCopy(frame);
        orvane::countDiscardedFrame();
        return;
    }
    QMutexLocker lock(&sceneMutex);
    PanelMarkerTable table(ui.tableWidget, ui.checkBoxRefreshUI);
    orvane::scene::applyFrameV2(*frame, jointNodeLists, markerNodeLists, table);
    orvane::releaseFrameCopy(frame);
}
