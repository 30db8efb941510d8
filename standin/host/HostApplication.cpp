#include "HostApplication.h"

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QWidget>

HostApplication::HostApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool HostApplication::isPluginCall(const QObject* receiver, const QEvent* event) {
    if (event->type() != QEvent::MetaCall || receiver == nullptr || !receiver->isWidgetType()) return false;
    for (const QWidget* w = static_cast<const QWidget*>(receiver); w != nullptr; w = w->parentWidget())
        if (w->objectName().endsWith(QLatin1String("WorkspaceControl"))) return true;
    return false;
}

qint64 HostApplication::pluginCallNanoseconds() {
    const HostApplication* app = dynamic_cast<const HostApplication*>(QCoreApplication::instance());
    return app != nullptr ? app->pluginCallNs_ : 0;
}

bool HostApplication::notify(QObject* receiver, QEvent* event) {
    if (!painting_ && event->type() == QEvent::UpdateRequest && receiver->isWidgetType()) return true;
    if (depth_ > 0 || !isPluginCall(receiver, event)) return QApplication::notify(receiver, event);
    QElapsedTimer clock;
    clock.start();
    ++depth_;
    // A slot that throws ends the host anyway (Qt does not let exceptions through its event loop).
    const bool handled = QApplication::notify(receiver, event);
    --depth_;
    pluginCallNs_ += clock.nsecsElapsed();
    return handled;
}
