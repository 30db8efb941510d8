// The undo queue and its commands: undo, redo, flushUndo and undoInfo. Entries undo and redo what one
// command did; the nodes a command took out of the DAG stay alive while an entry holds them and are destroyed
// when it is dropped, as Maya destroys the nodes of the commands it flushes.
#include <maya/MPxCommand.h>
#include "Commands.h"
#include "Internal.h"

#include <cstdlib>

namespace mayastandin {
namespace detail {

UndoQueue& UndoQueue::instance() {
    static UndoQueue* queue = new UndoQueue();
    return *queue;
}

void UndoQueue::drop(UndoEntry& entry) {
    for (const MObject& root : entry.held) Scene::instance().destroyHeld(root, entry.owner);
    delete entry.command;
    entry.command = nullptr;
}

void UndoQueue::record(UndoEntry entry) {
    entry.owner = nextOwner();
    ++fNextSerial;
    // A new command ends what could be redone.
    for (std::size_t k = fEntries.size(); k-- > fDone;) drop(fEntries[k]);
    fEntries.resize(fDone);
    fEntries.push_back(std::move(entry));
    fDone = fEntries.size();
    setLength(fLength);
}

void UndoQueue::setLength(unsigned length) {
    fLength = length;
    if (fLength == 0 || fEntries.size() <= fLength) return;
    const std::size_t excess = fEntries.size() - fLength;
    for (std::size_t k = 0; k < excess; ++k) drop(fEntries[k]);
    fEntries.erase(fEntries.begin(), fEntries.begin() + static_cast<std::ptrdiff_t>(excess));
    fDone = fDone > excess ? fDone - excess : 0;
}

bool UndoQueue::undo(std::string* label) {
    if (fDone == 0) return false;
    UndoEntry& entry = fEntries[--fDone];
    if (label) *label = entry.label;
    entry.undo();
    return true;
}

bool UndoQueue::redo(std::string* label) {
    if (fDone == fEntries.size()) return false;
    UndoEntry& entry = fEntries[fDone++];
    if (label) *label = entry.label;
    entry.redo();
    return true;
}

void UndoQueue::flush() {
    // Newest first: an older entry's nodes may lie below a newer one's.
    std::vector<UndoEntry> entries;
    entries.swap(fEntries);
    fDone = 0;
    for (std::size_t k = entries.size(); k-- > 0;) drop(entries[k]);
}

bool UndoQueue::holdsPlugin(int plugin) const {
    for (const UndoEntry& e : fEntries)
        if (e.command && e.plugin == plugin) return true;
    return false;
}

namespace {
using Values = ValueEdit::Values;
Values valuesOf(std::uint32_t n) {
    const Node& node = Scene::instance().node(n);
    return Values{Scene::instance().handle(n),
                  node.translation,
                  node.rotation,
                  {node.scale[0], node.scale[1], node.scale[2]},
                  node.visible};
}
void restore(const std::vector<Values>& values) {
    Scene& scene = Scene::instance();
    for (const Values& v : values) {
        const std::uint32_t n = scene.existingIndex(v.node);
        if (n == kNoNode) continue;
        Node& node = scene.node(n);
        node.translation = v.translation;
        node.rotation = v.rotation;
        for (int k = 0; k < 3; ++k) node.scale[k] = v.scale[k];
        scene.transformChanged(n);
        scene.setVisible(n, v.visible);
    }
}
}  // namespace

ValueEdit::ValueEdit(const std::string& label, const std::vector<std::uint32_t>& nodes)
    : fLabel(label), fNodes(nodes), fOn(Interpreter::instance().undoEnabled()) {
    if (fOn)
        for (std::uint32_t n : fNodes) fBefore.push_back(valuesOf(n));
}

void ValueEdit::record() {
    if (!fOn) return;
    fOn = false;
    std::vector<Values> after;
    for (std::uint32_t n : fNodes) after.push_back(valuesOf(n));
    UndoEntry entry;
    entry.label = fLabel;
    const std::vector<Values> before = fBefore;
    entry.undo = [before] { restore(before); };
    entry.redo = [after] { restore(after); };
    UndoQueue::instance().record(std::move(entry));
}

void recordValueEdit(const std::string& label, const std::vector<std::uint32_t>& nodes,
                     const std::function<void()>& edit) {
    ValueEdit recorded(label, nodes);
    edit();
    recorded.record();
}

void addUndoCommands(BuiltinTable& table) {
    auto step = [](const char* command, bool forward) {
        return [command, forward](const std::vector<Arg>& args, Result&, std::string& error) {
            Parsed p;
            if (!parseFlags(command, args, {}, p, error)) return false;
            std::string label;
            UndoQueue& queue = UndoQueue::instance();
            if (forward ? queue.redo(&label) : queue.undo(&label))
                log::info(std::string(forward ? "Redo: " : "Undo: ") + label);
            else
                log::warning(forward ? "There are no more commands to redo." : "There are no more commands to undo.");
            return true;
        };
    };
    table["undo"] = step("undo", false);
    table["redo"] = step("redo", true);
    table["flushUndo"] = [](const std::vector<Arg>& args, Result&, std::string& error) {
        Parsed p;
        if (!parseFlags("flushUndo", args, {}, p, error)) return false;
        UndoQueue::instance().flush();
        return true;
    };
    // undoInfo -q -length, -q -infinity, -length N, -infinity on/off.
    table["undoInfo"] = [](const std::vector<Arg>& args, Result& result, std::string& error) {
        bool query = false;
        for (const Arg& a : args)
            if (a.literal && (a.text == "-q" || a.text == "-query")) query = true;
        Parsed p;
        if (!parseFlags(
                "undoInfo", args,
                {{"q", "query", 'n'}, {"l", "length", query ? 'n' : 'i'}, {"infinity", "infinity", query ? 'n' : 'b'}},
                p, error))
            return false;
        UndoQueue& queue = UndoQueue::instance();
        if (p.has("query")) {
            if (p.has("length"))
                result.items.assign(1, std::to_string(queue.length()));
            else if (p.has("infinity"))
                result.items.assign(1, queue.length() == 0 ? "1" : "0");
            else
                result.items.assign(1, "1");  // the queue is on
            return true;
        }
        if (p.has("infinity")) {
            bool on = false;
            toBool(p.value("infinity"), on);
            queue.setLength(on ? 0 : 50);
        }
        if (p.has("length")) {
            const long length = std::strtol(p.value("length").c_str(), nullptr, 10);
            if (length < 1) {
                error = "undoInfo: The length must be at least 1";
                return false;
            }
            queue.setLength(static_cast<unsigned>(length));
        }
        return true;
    };
}

}  // namespace detail
}  // namespace mayastandin
