#pragma once
// The host's QApplication. It also times the plug-ins' frame application on the UI thread, as the host sees it
// from outside: a plug-in's panel gets its frames through queued (or blocking queued) calls, which arrive as
// QEvent::MetaCall events for a widget inside a workspace control; the time spent delivering those is what the
// status calls `ui frames`. Nothing is asked of the plug-in. Headless, it paints nothing for a screen nobody
// has (see setPainting).

#include <QtWidgets/QApplication>

class HostApplication : public QApplication {
public:
    HostApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Whether delivering this event runs a plug-in's queued call: a meta-call for a widget that sits inside a
    // workspace control (one of the host's dock or floating windows named "...WorkspaceControl").
    static bool isPluginCall(const QObject* receiver, const QEvent* event);
    // Nanoseconds the UI thread has spent delivering those since the application started (0 when the running
    // application is not a HostApplication). UI thread only.
    static qint64 pluginCallNanoseconds();

    // Without painting, widgets' update requests are dropped, so no window is painted; a snapshot or a grab
    // renders on its own, and what widgets do besides painting (a table's items, a viewport's modelled refresh)
    // goes on. Painting is on by default.
    void setPainting(bool painting) { painting_ = painting; }

private:
    qint64 pluginCallNs_ = 0;
    int depth_ = 0;  // calls delivered inside a timed call are not counted twice
    bool painting_ = true;
};
