#pragma once
// The host's main window: the viewport in the middle, the outliner on the left, the log with the command line
// at the bottom (Maya's script editor and command line), the status bar, and the workspace controls plug-ins
// create, docked on the right or floating. It registers itself as the host's main window. Closing it ends the
// session. Main (UI) thread only.

#include <QtWidgets/QMainWindow>

#include "LiveStatus.h"

class QLabel;
class CommandLine;
class LogView;
class Outliner;
class Viewport;

class HostWindow : public QMainWindow {
public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    Viewport* viewport() const { return viewport_; }
    Outliner* outliner() const { return outliner_; }
    LogView* logView() const { return logView_; }
    CommandLine* commandLine() const { return commandLine_; }

    // Shows a second's figures in the status bar.
    void showSecond(const LiveSecond& second);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Viewport* viewport_;
    Outliner* outliner_;
    LogView* logView_;
    CommandLine* commandLine_;
    QLabel* liveLabel_;
    QLabel* nodesLabel_;
};
