#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QLabel>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QVBoxLayout>

#include "HostWindow.h"

#include <mayastandin/Host.h>

#include "CommandLine.h"
#include "LogView.h"
#include "Outliner.h"
#include "TimeSlider.h"
#include "Viewport.h"

HostWindow::HostWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MayaWindow");  // as Maya names its main window
    setWindowTitle(QStringLiteral("Maya stand-in"));
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    auto* centre = new QWidget(this);
    auto* stack = new QVBoxLayout(centre);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    viewport_ = new Viewport(centre);
    timeSlider_ = new TimeSlider(centre);
    stack->addWidget(viewport_, 1);
    stack->addWidget(timeSlider_);
    setCentralWidget(centre);

    outliner_ = new Outliner();
    auto* outlinerDock = new QDockWidget(QStringLiteral("Outliner"), this);
    outlinerDock->setObjectName("outlinerDock");
    outlinerDock->setWidget(outliner_);
    outlinerDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::LeftDockWidgetArea, outlinerDock);

    auto* script = new QWidget();
    auto* column = new QVBoxLayout(script);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    logView_ = new LogView(script);
    commandLine_ = new CommandLine(script);
    column->addWidget(logView_, 1);
    column->addWidget(commandLine_);
    auto* scriptDock = new QDockWidget(QStringLiteral("Script Editor"), this);
    scriptDock->setObjectName("scriptEditorDock");
    scriptDock->setWidget(script);
    scriptDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(Qt::BottomDockWidgetArea, scriptDock);
    resizeDocks({outlinerDock, scriptDock}, {230, 170}, Qt::Horizontal);
    resizeDocks({scriptDock}, {170}, Qt::Vertical);

    nodesLabel_ = new QLabel(this);
    nodesLabel_->setMinimumWidth(120);
    liveLabel_ = new QLabel(QStringLiteral("Frames applied: -"), this);
    statusBar()->addWidget(nodesLabel_);
    statusBar()->addWidget(liveLabel_, 1);
    recLabel_ = new QLabel(this);
    recLabel_->setObjectName("recordingStatus");
    recLabel_->setStyleSheet(QStringLiteral("QLabel { color: #e03030; font-weight: bold; }"));
    statusBar()->addPermanentWidget(recLabel_);
    auto* nodesTimer = new QTimer(this);
    connect(nodesTimer, &QTimer::timeout, this,
            [this] { nodesLabel_->setText(QStringLiteral("Nodes: %1").arg(mayastandin::dagNodeCount())); });
    nodesTimer->start(250);
    nodesLabel_->setText(QStringLiteral("Nodes: %1").arg(mayastandin::dagNodeCount()));

    resize(1280, 800);
    mayastandin::setMainWindow(this);
}

HostWindow::~HostWindow() {
    if (mayastandin::mainWindow() == this) mayastandin::setMainWindow(nullptr);
}

void HostWindow::showSecond(const LiveSecond& second) {
    liveLabel_->setText(QString::fromStdString(LiveStatus::statusText(second)));
    recLabel_->setText(QString::fromStdString(LiveStatus::recordingText(second.recording)));
}

void HostWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QCoreApplication::quit();
}
