// Workspace controls (the workspaceControl command) and MQtUtil. A control is a window (a dock widget of
// the host main window, or a top-level window) holding a layout widget whose object name is the control's
// name; plug-ins put their widgets into that layout widget. GUI thread only.
#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include <maya/MQtUtil.h>
#include <mayastandin/Host.h>
#include "Commands.h"
#include "Internal.h"

#include <cerrno>
#include <cstdlib>
#include <map>

namespace mayastandin {
namespace detail {
namespace controls {

namespace {

struct Control {
    std::string name;
    std::string label;
    std::string uiScript;
    std::string requiredPlugin;
    bool floating = false;
    bool retain = true;
    bool loadImmediately = true;
    bool closing = false;  // closed and waiting for deleteLater
    int width = 0;
    int height = 0;
    QPointer<QWidget> window;
    QPointer<QWidget> layout;
};

struct State {
    std::map<std::string, Control> controls;
    QPointer<QWidget> currentParent;
    QPointer<QWidget> mainWindow;
};
State& state() {
    static State* s = new State();
    return *s;
}

// Deletes a control that is not retained once its window has been closed (close button or close()).
class CloseWatcher : public QObject {
public:
    CloseWatcher(const std::string& name, QObject* parent) : QObject(parent), fName(name) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && watched == parent()) {
            auto it = state().controls.find(fName);
            if (it != state().controls.end() && !it->second.retain && it->second.window == watched) {
                it->second.closing = true;
                it->second.window->deleteLater();
            }
        }
        return false;
    }

private:
    std::string fName;
};

void forget(const std::string& name) {
    auto it = state().controls.find(name);
    if (it != state().controls.end() && it->second.window.isNull()) state().controls.erase(it);
}

Control* find(const std::string& name) {
    auto it = state().controls.find(name);
    if (it == state().controls.end() || it->second.window.isNull()) return nullptr;
    return &it->second;
}

bool toBool(const std::string& v, bool& out) {
    if (v == "true" || v == "on" || v == "yes" || v == "1") return out = true, true;
    if (v == "false" || v == "off" || v == "no" || v == "0") return out = false, true;
    return false;
}

MStatus runScript(Control& c) {
    if (c.uiScript.empty()) return MStatus::kSuccess;
    state().currentParent = c.layout;
    return Interpreter::instance().execute(c.uiScript, nullptr, false, false);
}

void destroyWindow(Control& c, bool later) {
    c.closing = true;
    if (c.window.isNull()) return;
    if (later) {
        c.window->hide();
        c.window->deleteLater();
    } else {
        const std::string name = c.name;
        delete c.window.data();  // destroys the layout and every widget added to it
        forget(name);
    }
}

// A docked control takes its initial width beside the main window's other contents.
void dockAtInitialWidth(QDockWidget* dock, int width) {
    auto* mainWindow = qobject_cast<QMainWindow*>(dock->parentWidget());
    if (mainWindow != nullptr && width > 0) mainWindow->resizeDocks({dock}, {width}, Qt::Horizontal);
}

struct Flag {
    const char* shortName;
    const char* longName;
    char kind;  // 'n' none, 's' string, 'b' boolean, 'i' integer
};
const Flag kFlags[] = {
    {"e", "edit", 'n'},           {"q", "query", 'n'},
    {"ex", "exists", 'n'},        {"l", "label", 's'},
    {"rt", "retain", 'b'},        {"li", "loadImmediately", 'b'},
    {"fl", "floating", 'b'},      {"iw", "initialWidth", 'i'},
    {"ih", "initialHeight", 'i'}, {"rp", "requiredPlugin", 's'},
    {"rs", "restore", 'n'},       {"ui", "uiScript", 's'},
    {"cl", "close", 'n'},         {"dl", "deleteLater", 'b'},
    {"vis", "visible", 'b'},
};

}  // namespace

MStatus workspaceControl(const std::vector<std::string>& rawArgs, Result& result, std::string& error) {
    std::map<std::string, std::string> flags;
    std::vector<std::string> objects;
    bool queryMode = false;
    for (const auto& a : rawArgs)
        if (a == "-q" || a == "-query") queryMode = true;
    for (std::size_t i = 0; i < rawArgs.size(); ++i) {
        const bool literal = rawArgs[i].empty() || rawArgs[i][0] != '\x01';
        const std::string a = literal ? rawArgs[i] : rawArgs[i].substr(1);
        if (literal && a.size() > 1 && a[0] == '-') {
            const Flag* flag = nullptr;
            for (const auto& f : kFlags)
                if (a == std::string("-") + f.shortName || a == std::string("-") + f.longName) flag = &f;
            if (!flag) {
                error = "workspaceControl: Invalid flag '" + a + "'";
                return MStatus::kFailure;
            }
            std::string value = "1";
            if (flag->kind != 'n' && !queryMode) {
                if (i + 1 >= rawArgs.size()) {
                    error = "workspaceControl: Flag '" + a + "' needs a value";
                    return MStatus::kFailure;
                }
                value = rawArgs[++i];
                if (!value.empty() && value[0] == '\x01') value.erase(0, 1);
                bool b;
                if (flag->kind == 'b' && !toBool(value, b)) {
                    error = "workspaceControl: Flag '" + a + "' expects true or false, got '" + value + "'";
                    return MStatus::kFailure;
                }
                if (flag->kind == 'i') {
                    char* end = nullptr;
                    std::strtol(value.c_str(), &end, 10);
                    if (value.empty() || *end != '\0') {
                        error = "workspaceControl: Flag '" + a + "' expects an integer, got '" + value + "'";
                        return MStatus::kFailure;
                    }
                }
            }
            flags[flag->longName] = value;
        } else {
            objects.push_back(a);
        }
    }
    if (objects.size() != 1) {
        error = "workspaceControl: Expected one control name";
        return MStatus::kFailure;
    }
    const std::string name = objects[0];
    auto has = [&](const char* f) { return flags.count(f) > 0; };
    auto boolFlag = [&](const char* f, bool fallback) {
        bool b = fallback;
        if (has(f)) toBool(flags[f], b);
        return b;
    };
    Control* control = find(name);
    if (control && control->closing) control = nullptr;

    if (has("exists") || queryMode) {
        if (has("exists")) {
            result.items.assign(1, control ? "1" : "0");
            return MStatus::kSuccess;
        }
        if (!control) {
            error = "workspaceControl: Object '" + name + "' not found.";
            return MStatus::kFailure;
        }
        if (has("label"))
            result.items.assign(1, control->label);
        else if (has("visible"))
            result.items.assign(1, control->window->isVisible() ? "1" : "0");
        else if (has("floating"))
            result.items.assign(1, control->floating ? "1" : "0");
        else if (has("uiScript"))
            result.items.assign(1, control->uiScript);
        else if (has("retain"))
            result.items.assign(1, control->retain ? "1" : "0");
        else {
            error = "workspaceControl: Nothing to query";
            return MStatus::kFailure;
        }
        return MStatus::kSuccess;
    }

    if (has("edit")) {
        if (!control) {
            error = "workspaceControl: Object '" + name + "' not found.";
            return MStatus::kFailure;
        }
        if (has("label")) {
            control->label = flags["label"];
            control->window->setWindowTitle(QString::fromStdString(control->label));
        }
        if (has("uiScript")) control->uiScript = flags["uiScript"];
        if (has("requiredPlugin")) control->requiredPlugin = flags["requiredPlugin"];
        if (has("retain")) control->retain = boolFlag("retain", control->retain);
        if (has("initialWidth")) control->width = std::atoi(flags["initialWidth"].c_str());
        if (has("initialHeight")) control->height = std::atoi(flags["initialHeight"].c_str());
        if (has("floating")) {
            control->floating = boolFlag("floating", control->floating);
            if (auto* dock = qobject_cast<QDockWidget*>(control->window.data())) {
                dock->setFloating(control->floating);
                if (!control->floating) dockAtInitialWidth(dock, control->width);
            }
        }
        if (has("visible")) control->window->setVisible(boolFlag("visible", true));
        if (has("restore")) {
            control->window->show();
            control->window->raise();
        }
        if (has("close")) {
            if (control->retain)
                control->window->hide();
            else
                destroyWindow(*control, boolFlag("deleteLater", true));
        }
        result.items.assign(1, name);
        return MStatus::kSuccess;
    }

    // Creation.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        error = "workspaceControl: there is no QApplication";
        return MStatus::kFailure;
    }
    if (control) {
        error = "workspaceControl: Object's name '" + name + "' is not unique.";
        return MStatus::kFailure;
    }
    if (has("close") || has("restore")) {
        error = "workspaceControl: Object '" + name + "' not found.";
        return MStatus::kFailure;
    }
    state().controls.erase(name);  // a record of a control being deleted later
    Control c;
    c.name = name;
    c.label = has("label") ? flags["label"] : name;
    c.retain = boolFlag("retain", true);
    c.loadImmediately = boolFlag("loadImmediately", true);
    c.floating = boolFlag("floating", false);
    c.width = has("initialWidth") ? std::atoi(flags["initialWidth"].c_str()) : 0;
    c.height = has("initialHeight") ? std::atoi(flags["initialHeight"].c_str()) : 0;
    c.requiredPlugin = flags["requiredPlugin"];
    c.uiScript = flags["uiScript"];

    QWidget* layout = new QWidget();
    layout->setObjectName(QString::fromStdString(name));
    auto* box = new QVBoxLayout(layout);
    box->setContentsMargins(0, 0, 0, 0);
    QWidget* window = nullptr;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(state().mainWindow.data())) {
        auto* dock = new QDockWidget(QString::fromStdString(c.label), mainWindow);
        dock->setObjectName(QString::fromStdString(name + "WorkspaceControl"));
        dock->setWidget(layout);
        mainWindow->addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->setFloating(c.floating);
        if (!c.floating) dockAtInitialWidth(dock, c.width);
        window = dock;
    } else {
        window = new QWidget(nullptr, Qt::Window);
        window->setObjectName(QString::fromStdString(name + "WorkspaceControl"));
        window->setWindowTitle(QString::fromStdString(c.label));
        auto* outer = new QVBoxLayout(window);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(layout);
    }
    if (c.width > 0 && c.height > 0) window->resize(c.width, c.height);
    window->installEventFilter(new CloseWatcher(name, window));
    QObject::connect(window, &QObject::destroyed, [name]() { forget(name); });
    c.window = window;
    c.layout = layout;
    auto& stored = state().controls[name] = c;
    state().currentParent = layout;
    window->show();
    if (!stored.uiScript.empty() && stored.loadImmediately) {
        const MStatus s = runScript(stored);
        if (!s) return s;
    }
    result.items.assign(1, name);
    return MStatus::kSuccess;
}

void closeAll() {
    std::vector<QPointer<QWidget>> windows;
    for (auto& entry : state().controls) windows.push_back(entry.second.window);
    for (auto& w : windows) delete w.data();
    state().controls.clear();
}

}  // namespace controls

namespace {

std::string widgetText(QWidget* w) {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    else if (auto* combo = qobject_cast<QComboBox*>(w))
        text = combo->currentText();
    else if (auto* label = qobject_cast<QLabel*>(w))
        text = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        text = edit->text();
    return text.toStdString();
}

// driveWidget [-click | -check BOOL | -select TEXT | -index N] CONTROL WIDGET
// Works the widget named WIDGET inside the workspace control CONTROL as a user would: -click clicks a button or
// check box, -check clicks a check box only if its state differs, -select and -index choose a combo box entry.
// Without an action it only answers. The result is the widget's text afterwards (a combo box's current text).
bool driveWidget(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("driveWidget", args,
                    {{"cl", "click", 'n'}, {"ch", "check", 'b'}, {"sl", "select", 's'}, {"ix", "index", 'i'}}, p,
                    error))
        return false;
    if (p.objects.size() != 2) {
        error = "driveWidget: Expected a workspace control and a widget name";
        return false;
    }
    if (p.has("click") + p.has("check") + p.has("select") + p.has("index") > 1) {
        error = "driveWidget: Use only one of -click, -check, -select and -index";
        return false;
    }
    const std::string& controlName = p.objects[0];
    const std::string& widgetName = p.objects[1];
    controls::Control* control = controls::find(controlName);
    if (control == nullptr || control->closing) {
        error = "driveWidget: Object '" + controlName + "' not found.";
        return false;
    }
    const QList<QWidget*> found = control->window->findChildren<QWidget*>(QString::fromStdString(widgetName));
    if (found.size() != 1) {
        error = "driveWidget: " + std::string(found.empty() ? "No widget" : "More than one widget") + " named '" +
                widgetName + "' in '" + controlName + "'";
        return false;
    }
    QWidget* widget = found.front();
    const bool acts = p.has("click") || p.has("check") || p.has("select") || p.has("index");
    if (acts && !widget->isEnabled()) {
        error = "driveWidget: '" + widgetName + "' is disabled";
        return false;
    }
    auto* button = qobject_cast<QAbstractButton*>(widget);
    auto* combo = qobject_cast<QComboBox*>(widget);
    if ((p.has("click") || p.has("check")) && button == nullptr) {
        error = "driveWidget: '" + widgetName + "' is not a button";
        return false;
    }
    if (p.has("check") && !button->isCheckable()) {
        error = "driveWidget: '" + widgetName + "' cannot be checked";
        return false;
    }
    if ((p.has("select") || p.has("index")) && combo == nullptr) {
        error = "driveWidget: '" + widgetName + "' is not a combo box";
        return false;
    }
    int index = -1;
    if (p.has("select")) {
        index = combo->findText(QString::fromStdString(p.value("select")));
        if (index < 0) {
            error = "driveWidget: '" + widgetName + "' has no entry '" + p.value("select") + "'";
            return false;
        }
    } else if (p.has("index")) {
        errno = 0;
        const long wanted = std::strtol(p.value("index").c_str(), nullptr, 10);
        if (errno != 0 || wanted < 0 || wanted >= combo->count()) {
            error = "driveWidget: '" + widgetName + "' has no entry at index " + p.value("index");
            return false;
        }
        index = static_cast<int>(wanted);
    }
    // The widget may go away while it is worked (a click that closes the control).
    QPointer<QWidget> guard(widget);
    if (p.has("click")) {
        button->click();
    } else if (p.has("check")) {
        bool wanted = false;
        toBool(p.value("check"), wanted);
        if (button->isChecked() != wanted) button->click();
    } else if (index >= 0) {
        combo->setCurrentIndex(index);
    }
    result.items.assign(1, guard.isNull() ? std::string() : widgetText(guard.data()));
    return true;
}

}  // namespace

void addWidgetCommand(BuiltinTable& table) { table["driveWidget"] = driveWidget; }
}  // namespace detail

using namespace detail::controls;

ControlInfo controlInfo(const std::string& name) {
    ControlInfo info;
    Control* c = find(name);
    if (!c || c->closing) return info;
    info.exists = true;
    info.label = c->label;
    info.floating = c->floating;
    info.width = c->width;
    info.height = c->height;
    info.retain = c->retain;
    info.uiScript = c->uiScript;
    info.requiredPlugin = c->requiredPlugin;
    info.visible = c->window->isVisible();
    info.layout = c->layout.data();
    info.window = c->window.data();
    return info;
}

void userCloseControl(const std::string& name) {
    Control* c = find(name);
    if (c && !c->closing) c->window->close();
}

MStatus rebuildControl(const std::string& name) {
    Control* c = find(name);
    if (!c || c->closing || c->layout.isNull()) {
        detail::log::error("workspaceControl: Object '" + name + "' not found.");
        return MStatus::kFailure;
    }
    // The contents are rebuilt in a fresh layout widget of the same name; the old one goes with its
    // children, so pointers a plug-in kept to it read null, as after the host rebuilds a control.
    QWidget* fresh = new QWidget();
    fresh->setObjectName(QString::fromStdString(name));
    auto* box = new QVBoxLayout(fresh);
    box->setContentsMargins(0, 0, 0, 0);
    QWidget* old = c->layout.data();
    if (auto* dock = qobject_cast<QDockWidget*>(c->window.data())) {
        dock->setWidget(fresh);
    } else if (c->window->layout()) {
        c->window->layout()->addWidget(fresh);
    }
    delete old;
    c->layout = fresh;
    fresh->show();
    return runScript(*c);
}

void setMainWindow(QWidget* mainWindow) {
    state().mainWindow = mainWindow;
    detail::menus::attachTo(mainWindow);
}
QWidget* mainWindow() { return state().mainWindow.data(); }

}  // namespace mayastandin

using mayastandin::detail::controls::state;

OPENMAYA_NAMESPACE_OPEN

QWidget* MQtUtil::getCurrentParent() { return state().currentParent.data(); }

MString MQtUtil::addWidgetToMayaLayout(QWidget* control, QWidget* layout, const MString&) {
    if (!control || !layout || !layout->layout()) return MString();
    layout->layout()->addWidget(control);
    control->show();
    return fullName(control);
}
QWidget* MQtUtil::mainWindow() { return state().mainWindow.data(); }

namespace {
bool under(const QWidget* w, const QWidget* ancestor) {
    if (!ancestor) return true;
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (p == ancestor) return true;
    return false;
}
}  // namespace

QWidget* MQtUtil::findControl(MString controlName, const QWidget* ancestor) {
    const QString name = QString::fromUtf8(controlName.asChar());
    auto it = state().controls.find(controlName.asChar());
    if (it != state().controls.end() && it->second.layout && under(it->second.layout, ancestor))
        return it->second.layout.data();
    if (!QApplication::instance()) return nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == name && under(w, ancestor)) return w;
    return nullptr;
}
QWidget* MQtUtil::findLayout(MString layoutName, const QWidget* ancestor) { return findControl(layoutName, ancestor); }
QWidget* MQtUtil::findWindow(MString windowName) {
    auto it = state().controls.find(windowName.asChar());
    if (it != state().controls.end()) return it->second.window.data();
    return findControl(windowName);
}
MString MQtUtil::fullName(const QObject* uiElement) {
    if (!uiElement) return MString();
    QString path = uiElement->objectName();
    for (const QObject* p = uiElement->parent(); p; p = p->parent())
        if (!p->objectName().isEmpty()) path = p->objectName() + "|" + path;
    return MString(path.toUtf8().constData());
}
QString MQtUtil::toQString(const MString& s) { return QString::fromUtf8(s.asChar()); }
MString MQtUtil::toMString(const QString& s) { return MString(s.toUtf8().constData()); }

OPENMAYA_NAMESPACE_CLOSE
