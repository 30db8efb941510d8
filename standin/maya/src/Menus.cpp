// Menus of the main window's menu bar (the menu, menuItem, setParent -menu and deleteUI commands). A menu is a
// QMenu named after it, in the main window's menu bar when there is one; without a QApplication (or a main window)
// the menu is kept and answers queries but is shown nowhere. Items are QActions that run their command through
// the interpreter when triggered. A menu stays until deleteUI, whoever made it. GUI thread only.
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <mayastandin/Host.h>
#include "Commands.h"
#include "Internal.h"

#include <algorithm>
#include <vector>

namespace mayastandin {
namespace detail {
namespace menus {

namespace {

// The main window's name, as Maya's $gMainWindow holds it.
const char* const kMainWindowName = "MayaWindow";

struct Item {
    std::string name;
    std::string label;
    std::string command;
    bool divider = false;
    bool enabled = true;
    QPointer<QAction> action;
};

struct Menu {
    std::string name;
    std::string parent;
    std::string label;
    bool tearOff = false;
    bool enabled = true;
    std::vector<Item> items;
    QPointer<QMenu> menu;
    std::string path() const { return parent + "|" + name; }
};

struct State {
    std::vector<Menu> menus;  // in creation order
    std::string current;      // the menu new items go into
    int generated = 0;        // the last number of a generated name
};
State& state() {
    static State* s = new State();
    return *s;
}

// Whether a short name or a full path ("MayaWindow|menu|item") names the object of this name and path.
bool names(const std::string& given, const std::string& name, const std::string& path) {
    if (given.find('|') == std::string::npos) return given == name;
    return given == path;
}

Menu* findMenu(const std::string& given) {
    for (Menu& m : state().menus)
        if (names(given, m.name, m.path())) return &m;
    return nullptr;
}

// The item a name or full path stands for, and its menu.
Item* findItem(const std::string& given, Menu** owner = nullptr) {
    for (Menu& m : state().menus)
        for (Item& item : m.items)
            if (names(given, item.name, m.path() + "|" + item.name)) {
                if (owner) *owner = &m;
                return &item;
            }
    return nullptr;
}

std::string generatedName(const char* stem) {
    std::string name;
    do name = stem + std::to_string(++state().generated);
    while (findMenu(name) || findItem(name));
    return name;
}

// Flags as parseFlags reads them, except that in query mode no flag takes a value (menu -q -label NAME).
bool parseUiFlags(const std::string& command, const std::vector<Arg>& args, std::vector<FlagSpec> specs, Parsed& p,
                  std::string& error) {
    const bool query = std::any_of(args.begin(), args.end(),
                                   [](const Arg& a) { return a.literal && (a.text == "-q" || a.text == "-query"); });
    if (query)
        for (FlagSpec& s : specs) s.kind = 'n';
    return parseFlags(command, args, specs, p, error);
}

bool oneObject(const std::string& command, const Parsed& p, std::string& error) {
    if (p.objects.size() == 1) return true;
    error = command + ": Expected one object name";
    return false;
}

bool notFound(const std::string& command, const std::string& name, std::string& error) {
    error = command + ": Object '" + name + "' not found.";
    return false;
}

// A boolean flag's value as given, or `otherwise` when it is not given.
bool flagOn(const Parsed& p, const char* flag, bool otherwise) {
    bool on = false;
    return p.has(flag) ? toBool(p.value(flag), on) && on : otherwise;
}

// The name of a new menu or item: the one given, else one made from `stem`. False, with Maya's error, when the
// name is not a legal one or `taken`.
template <typename Taken>
bool newName(const std::string& command, const Parsed& p, const char* stem, Taken taken, std::string& name,
             std::string& error) {
    name = p.objects.empty() ? generatedName(stem) : p.objects[0];
    if (legalNodeName(name) != name) {
        error = command + ": '" + name + "' is not a valid name";
        return false;
    }
    if (taken(name)) {
        error = command + ": Object's name '" + name + "' is not unique.";
        return false;
    }
    return true;
}

void runItem(const std::string& menuName, const std::string& itemName) {
    Menu* menu = findMenu(menuName);
    Item* item = menu ? findItem(menu->path() + "|" + itemName) : nullptr;
    if (item == nullptr || item->command.empty()) return;
    const std::string command = item->command;  // the command may delete its own item
    Interpreter::instance().execute(command, nullptr, false, true);
}

void addAction(Menu& menu, Item& item) {
    if (menu.menu.isNull()) return;
    QAction* action = item.divider
                          ? menu.menu->addSeparator()
                          : menu.menu->addAction(QString::fromStdString(item.label.empty() ? item.name : item.label));
    action->setObjectName(QString::fromStdString(item.name));
    action->setEnabled(item.enabled);
    const std::string menuName = menu.path(), itemName = item.name;
    QObject::connect(action, &QAction::triggered, [menuName, itemName] { runItem(menuName, itemName); });
    item.action = action;
}

// Deleted later: a menu item's command may delete the menu it was triggered from.
void dropAction(Item& item) {
    if (item.action.isNull()) return;
    if (QWidget* owner = qobject_cast<QWidget*>(item.action->parent())) owner->removeAction(item.action);
    item.action->deleteLater();
}

void dropMenu(Menu& menu, bool later) {
    for (Item& item : menu.items) dropAction(item);
    if (menu.menu.isNull()) return;
    if (auto* window = qobject_cast<QMainWindow*>(mainWindow()))
        window->menuBar()->removeAction(menu.menu->menuAction());
    if (later)
        menu.menu->deleteLater();
    else
        delete menu.menu.data();
}

bool deleteMenu(const std::string& given) {
    auto& all = state().menus;
    for (auto it = all.begin(); it != all.end(); ++it)
        if (names(given, it->name, it->path())) {
            dropMenu(*it, true);
            if (state().current == it->name) state().current.clear();
            all.erase(it);
            return true;
        }
    return false;
}

bool deleteItem(const std::string& given) {
    Menu* menu = nullptr;
    Item* item = findItem(given, &menu);
    if (item == nullptr) return false;
    dropAction(*item);
    menu->items.erase(menu->items.begin() + (item - menu->items.data()));
    return true;
}

std::string labelOf(const Menu& m) { return m.label.empty() ? m.name : m.label; }

bool menuCommand(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseUiFlags("menu", args,
                      {{"e", "edit", 'n'},
                       {"q", "query", 'n'},
                       {"ex", "exists", 'n'},
                       {"p", "parent", 's'},
                       {"l", "label", 's'},
                       {"to", "tearOff", 'b'},
                       {"en", "enable", 'b'},
                       {"ia", "itemArray", 'n'},
                       {"ni", "numberOfItems", 'n'},
                       {"dai", "deleteAllItems", 'n'}},
                      p, error))
        return false;
    if (p.has("exists")) {
        if (!oneObject("menu", p, error)) return false;
        result.items.assign(1, findMenu(p.objects[0]) ? "1" : "0");
        return true;
    }
    if (p.has("query") || p.has("edit")) {
        if (!oneObject("menu", p, error)) return false;
        Menu* m = findMenu(p.objects[0]);
        if (m == nullptr) return notFound("menu", p.objects[0], error);
        if (p.has("query")) {
            if (p.has("label")) {
                result.items.assign(1, labelOf(*m));
            } else if (p.has("itemArray")) {
                for (const Item& item : m->items) result.items.push_back(item.name);
                result.isArray = true;
            } else if (p.has("numberOfItems")) {
                result.items.assign(1, std::to_string(m->items.size()));
            } else if (p.has("tearOff")) {
                result.items.assign(1, m->tearOff ? "1" : "0");
            } else if (p.has("enable")) {
                result.items.assign(1, m->enabled ? "1" : "0");
            } else if (p.has("parent")) {
                result.items.assign(1, m->parent);
            } else {
                error = "menu: Nothing to query";
                return false;
            }
            return true;
        }
        if (p.has("deleteAllItems")) {
            for (Item& item : m->items) dropAction(item);
            m->items.clear();
        }
        if (p.has("label")) m->label = p.value("label");
        m->tearOff = flagOn(p, "tearOff", m->tearOff);
        m->enabled = flagOn(p, "enable", m->enabled);
        if (!m->menu.isNull()) {
            m->menu->setTitle(QString::fromStdString(labelOf(*m)));
            m->menu->setTearOffEnabled(m->tearOff);
            m->menu->setEnabled(m->enabled);
        }
        result.items.assign(1, m->path());
        return true;
    }
    if (p.objects.size() > 1) return oneObject("menu", p, error);
    const std::string parent = p.has("parent") ? p.value("parent") : kMainWindowName;
    if (parent != kMainWindowName && (mainWindow() == nullptr || mainWindow()->objectName().toStdString() != parent))
        return notFound("menu", parent, error);
    Menu m;
    const auto taken = [](const std::string& name) { return findMenu(name) || findItem(name); };
    if (!newName("menu", p, "menu", taken, m.name, error)) return false;
    m.parent = kMainWindowName;
    m.label = p.value("label");
    m.tearOff = flagOn(p, "tearOff", false);
    m.enabled = flagOn(p, "enable", true);
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        m.menu = new QMenu(QString::fromStdString(labelOf(m)));
        m.menu->setObjectName(QString::fromStdString(m.name));
        m.menu->setTearOffEnabled(m.tearOff);
        m.menu->setEnabled(m.enabled);
        if (auto* window = qobject_cast<QMainWindow*>(mainWindow())) window->menuBar()->addMenu(m.menu);
    }
    state().menus.push_back(m);
    state().current = m.name;
    result.items.assign(1, m.path());
    return true;
}

bool menuItemCommand(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseUiFlags("menuItem", args,
                      {{"e", "edit", 'n'},
                       {"q", "query", 'n'},
                       {"ex", "exists", 'n'},
                       {"p", "parent", 's'},
                       {"l", "label", 's'},
                       {"c", "command", 's'},
                       {"d", "divider", 'b'},
                       {"en", "enable", 'b'}},
                      p, error))
        return false;
    if (p.has("exists")) {
        if (!oneObject("menuItem", p, error)) return false;
        result.items.assign(1, findItem(p.objects[0]) ? "1" : "0");
        return true;
    }
    if (p.has("query") || p.has("edit")) {
        if (!oneObject("menuItem", p, error)) return false;
        Item* item = findItem(p.objects[0]);
        if (item == nullptr) return notFound("menuItem", p.objects[0], error);
        if (p.has("query")) {
            if (p.has("label"))
                result.items.assign(1, item->label.empty() ? item->name : item->label);
            else if (p.has("command"))
                result.items.assign(1, item->command);
            else if (p.has("divider"))
                result.items.assign(1, item->divider ? "1" : "0");
            else if (p.has("enable"))
                result.items.assign(1, item->enabled ? "1" : "0");
            else {
                error = "menuItem: Nothing to query";
                return false;
            }
            return true;
        }
        if (p.has("label")) item->label = p.value("label");
        if (p.has("command")) item->command = p.value("command");
        item->enabled = flagOn(p, "enable", item->enabled);
        if (!item->action.isNull() && !item->divider) {
            item->action->setText(QString::fromStdString(item->label.empty() ? item->name : item->label));
            item->action->setEnabled(item->enabled);
        }
        result.items.assign(1, p.objects[0]);
        return true;
    }
    if (p.objects.size() > 1) return oneObject("menuItem", p, error);
    const std::string parent = p.has("parent") ? p.value("parent") : state().current;
    if (parent.empty()) {
        error = "menuItem: There is no menu to put the item in";
        return false;
    }
    Menu* menu = findMenu(parent);
    if (menu == nullptr) return notFound("menuItem", parent, error);
    Item item;
    const auto taken = [menu](const std::string& name) {
        return std::any_of(menu->items.begin(), menu->items.end(),
                           [&](const Item& other) { return other.name == name; });
    };
    if (!newName("menuItem", p, "menuItem", taken, item.name, error)) return false;
    item.label = p.value("label");
    item.command = p.value("command");
    item.divider = flagOn(p, "divider", false);
    item.enabled = flagOn(p, "enable", true);
    menu->items.push_back(item);
    addAction(*menu, menu->items.back());
    result.items.assign(1, menu->path() + "|" + item.name);
    return true;
}

bool deleteUICommand(const std::vector<Arg>& args, Result&, std::string& error) {
    Parsed p;
    if (!parseFlags("deleteUI", args, {{"m", "menu", 'n'}, {"mi", "menuItem", 'n'}}, p, error)) return false;
    if (p.objects.empty()) {
        error = "deleteUI: Expected the name of an object to delete";
        return false;
    }
    // Every name must stand for an object of the kind asked for before any is deleted.
    const bool wantMenus = p.has("menu") || !p.has("menuItem"), wantItems = p.has("menuItem") || !p.has("menu");
    for (const std::string& name : p.objects)
        if (!(wantMenus && findMenu(name)) && !(wantItems && findItem(name))) return notFound("deleteUI", name, error);
    for (const std::string& name : p.objects)
        if (!(wantMenus && deleteMenu(name)) && wantItems) deleteItem(name);
    return true;
}

// setParent -menu NAME makes NAME the menu new items go into; setParent -query -menu answers it.
bool setParentCommand(const std::vector<Arg>& args, Result& result, std::string& error) {
    Parsed p;
    if (!parseFlags("setParent", args, {{"q", "query", 'n'}, {"m", "menu", 'n'}}, p, error)) return false;
    if (!p.has("menu")) {
        error = "setParent: This host sets the parent of menus only (-menu)";
        return false;
    }
    if (p.has("query")) {
        const Menu* m = findMenu(state().current);
        result.items.assign(1, m ? m->path() : std::string("NONE"));
        return true;
    }
    if (!oneObject("setParent", p, error)) return false;
    const Menu* m = findMenu(p.objects[0]);
    if (m == nullptr) return notFound("setParent", p.objects[0], error);
    state().current = m->name;
    result.items.assign(1, m->path());
    return true;
}

}  // namespace

void attachTo(QWidget* mainWindow) {
    auto* window = qobject_cast<QMainWindow*>(mainWindow);
    if (window == nullptr) return;
    for (Menu& m : state().menus)
        if (!m.menu.isNull()) window->menuBar()->addMenu(m.menu);
}

void closeAll() {
    for (Menu& m : state().menus) {
        for (Item& item : m.items) delete item.action.data();
        dropMenu(m, false);
    }
    state().menus.clear();
    state().current.clear();
}

}  // namespace menus

void addMenuCommands(BuiltinTable& table) {
    table["menu"] = menus::menuCommand;
    table["menuItem"] = menus::menuItemCommand;
    table["deleteUI"] = menus::deleteUICommand;
    table["setParent"] = menus::setParentCommand;
}

}  // namespace detail
}  // namespace mayastandin
