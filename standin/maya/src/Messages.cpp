// Scene messages: the callbacks MSceneMessage registers, run in registration order, removable by id (also
// from inside a callback), and the module each one's function lies in, so that unloading a plug-in can tell
// the callbacks it left behind.
#include <maya/MCallbackIdArray.h>
#include <maya/MSceneMessage.h>
#include "Internal.h"

#include <dlfcn.h>
#include <algorithm>

namespace mayastandin {
namespace detail {
namespace {

struct Callback {
    MCallbackId id;
    int message;
    MMessage::MBasicFunction basic;
    MMessage::MCheckFunction check;
    void* clientData;
    const void* module;  // where the function's module is mapped
};

struct Registry {
    std::vector<Callback> callbacks;
    MCallbackId nextId = 1;
    MCallbackId current = 0;
};
Registry& registry() {
    static Registry* r = new Registry();
    return *r;
}

const void* moduleOf(const void* function) {
    Dl_info info;
    return dladdr(function, &info) != 0 ? info.dli_fbase : nullptr;
}

MCallbackId add(int message, MMessage::MBasicFunction basic, MMessage::MCheckFunction check, void* clientData,
                MStatus* rs) {
    const bool known = message >= 0 && message < MSceneMessage::kLast;
    if (!known || (!basic && !check)) {
        if (rs)
            *rs = MStandinAccess::status(MStatus::kInvalidParameter,
                                         "(kInvalidParameter): No such message or no function");
        return 0;
    }
    const void* function = basic ? reinterpret_cast<const void*>(basic) : reinterpret_cast<const void*>(check);
    Registry& r = registry();
    r.callbacks.push_back(Callback{r.nextId, message, basic, check, clientData, moduleOf(function)});
    if (rs) *rs = MStatus::kSuccess;
    return r.nextId++;
}

// Runs each callback of the message registered when it starts and still registered when its turn comes.
template <typename Call>
void run(int message, Call call) {
    Registry& r = registry();
    std::vector<MCallbackId> ids;
    for (const Callback& c : r.callbacks)
        if (c.message == message) ids.push_back(c.id);
    for (MCallbackId id : ids) {
        auto it = std::find_if(r.callbacks.begin(), r.callbacks.end(), [id](const Callback& c) { return c.id == id; });
        if (it == r.callbacks.end()) continue;
        const Callback c = *it;
        const MCallbackId outer = r.current;
        r.current = id;
        call(c);
        r.current = outer;
    }
}

}  // namespace

namespace messages {
void send(int message) {
    run(message, [](const Callback& c) {
        if (c.basic) c.basic(c.clientData);
    });
}
bool check(int message) {
    bool proceed = true;
    run(message, [&proceed](const Callback& c) {
        bool ok = true;
        if (c.check) c.check(&ok, c.clientData);
        proceed = proceed && ok;
    });
    return proceed;
}
std::size_t countInModule(const void* base) {
    if (!base) return 0;
    std::size_t n = 0;
    for (const Callback& c : registry().callbacks)
        if (c.module == base) ++n;
    return n;
}
}  // namespace messages

}  // namespace detail
}  // namespace mayastandin

using mayastandin::detail::registry;

OPENMAYA_NAMESPACE_OPEN

MStatus MMessage::removeCallback(MCallbackId id) {
    auto& list = registry().callbacks;
    auto it = std::find_if(list.begin(), list.end(), [id](const auto& c) { return c.id == id; });
    if (it == list.end())
        return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): No such callback");
    list.erase(it);
    return MStatus::kSuccess;
}
MStatus MMessage::removeCallbacks(MCallbackIdArray& ids) {
    MStatus status = MStatus::kSuccess;
    for (unsigned int i = 0; i < ids.length(); ++i)
        if (!removeCallback(ids[i]))
            status = MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): No such callback");
    return status;
}
MCallbackId MMessage::currentCallbackId(MStatus* rs) {
    if (rs) *rs = MStatus::kSuccess;
    return registry().current;
}
const char* MMessage::className() { return "MMessage"; }

MCallbackId MSceneMessage::addCallback(Message msg, MMessage::MBasicFunction func, void* clientData, MStatus* rs) {
    return mayastandin::detail::add(msg, func, nullptr, clientData, rs);
}
MCallbackId MSceneMessage::addCheckCallback(Message msg, MMessage::MCheckFunction func, void* clientData, MStatus* rs) {
    return mayastandin::detail::add(msg, nullptr, func, clientData, rs);
}
const char* MSceneMessage::className() { return "MSceneMessage"; }

// ---- MCallbackIdArray ----
MCallbackIdArray::MCallbackIdArray() : fSizeIncrement(8) {}
MCallbackIdArray::MCallbackIdArray(const MCallbackIdArray& other) = default;
MCallbackIdArray::MCallbackIdArray(unsigned int initialSize, MCallbackId initialValue)
    : fIds(initialSize, initialValue), fSizeIncrement(8) {}
MCallbackIdArray::MCallbackIdArray(const MCallbackId src[], unsigned int count)
    : fIds(src, src + count), fSizeIncrement(8) {}
MCallbackIdArray::~MCallbackIdArray() {}
MCallbackId MCallbackIdArray::operator[](unsigned int index) const { return fIds[index]; }
MCallbackId& MCallbackIdArray::operator[](unsigned int index) { return fIds[index]; }
MCallbackIdArray& MCallbackIdArray::operator=(const MCallbackIdArray& other) = default;
namespace {
MStatus outOfRange() {
    return MStandinAccess::status(MStatus::kInvalidParameter, "(kInvalidParameter): Index not in range");
}
}  // namespace
MStatus MCallbackIdArray::set(MCallbackId element, unsigned int index) {
    if (index >= fIds.size()) return outOfRange();
    fIds[index] = element;
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::setLength(unsigned int length) {
    fIds.resize(length);
    return MStatus::kSuccess;
}
unsigned int MCallbackIdArray::length() const { return static_cast<unsigned int>(fIds.size()); }
MStatus MCallbackIdArray::remove(unsigned int index) {
    if (index >= fIds.size()) return outOfRange();
    fIds.erase(fIds.begin() + index);
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::insert(MCallbackId element, unsigned int index) {
    if (index > fIds.size()) return outOfRange();
    fIds.insert(fIds.begin() + index, element);
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::append(MCallbackId element) {
    fIds.push_back(element);
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::copy(const MCallbackIdArray& source) {
    fIds = source.fIds;
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::clear() {
    fIds.clear();
    return MStatus::kSuccess;
}
MStatus MCallbackIdArray::get(MCallbackId array[]) const {
    std::copy(fIds.begin(), fIds.end(), array);
    return MStatus::kSuccess;
}
void MCallbackIdArray::setSizeIncrement(unsigned int newIncrement) { fSizeIncrement = newIncrement; }
unsigned int MCallbackIdArray::sizeIncrement() const { return fSizeIncrement; }
const char* MCallbackIdArray::className() { return "MCallbackIdArray"; }

OPENMAYA_NAMESPACE_CLOSE
