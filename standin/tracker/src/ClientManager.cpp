#include "ClientManager.h"

#include <algorithm>
#include <stdexcept>

#include "Descriptions.h"
#include "SyntheticSource.h"

namespace orvane {
namespace tracker {
namespace {

// Samples received and not yet delivered; beyond that the oldest is dropped. 64 frames ride out a delivery
// thread descheduled for 64 ms at 1,000 Hz on a busy machine without losing one.
constexpr size_t kPushedSlots = 64;

long long nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

SourceFactory syntheticFactory(const SyntheticOptions& options) {
    return [options] { return std::unique_ptr<FrameSource>(new SyntheticSource(options)); };
}

}  // namespace

ClientManager& ClientManager::get() {
    static ClientManager manager;
    return manager;
}

ClientManager::ClientManager()
    : factory_(syntheticFactory(SyntheticOptions{})),
      defaultFactory_(factory_),
      synthetic_(SyntheticOptions{}),
      defaultSynthetic_(SyntheticOptions{}),
      pushed_(kPushedSlots) {}

ClientManager::~ClientManager() {
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    dropClient();
}

int ClientManager::fail(const std::string& text) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    lastError_ = text;
    return 1;
}

int ClientManager::getLastErrorMsg(std::string& message) const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    message = lastError_;
    return 0;
}

bool ClientManager::takeInjectedFailure(const std::string& call) {
    std::string message;
    {
        std::lock_guard<std::mutex> lock(controlMutex_);
        auto it = injectedFailures_.find(call);
        if (it == injectedFailures_.end()) return false;
        message = it->second;
        injectedFailures_.erase(it);
    }
    fail(message);
    return true;
}

// ---------------------------------------------------------------- lifecycle

int ClientManager::createClient() {
    ++createCalls_;
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (takeInjectedFailure("createClient")) return 1;
    // A client that exists is reused: a caller retrying after a failed initClient, or after the server
    // went away, must be able to connect again without releasing first.
    if (state_ == State::None) state_ = State::Created;
    return 0;
}

int ClientManager::initClient() {
    ++initCalls_;
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (takeInjectedFailure("initClient")) return 1;
    if (state_ == State::None) return fail("initClient: no client; call createClient first");
    bool lost = false;
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        lost = lost_ || lostPending_;
    }
    if (state_ == State::Started && !lost) return fail("initClient: the client is streaming; call stopClient first");
    if (state_ == State::Started) stopDelivery();  // the connection was lost: start over

    // A repeated initClient starts over with a fresh source.
    {
        std::lock_guard<std::mutex> sceneLock(sceneMutex_);
        source_.reset();
        scene_.reset();
    }
    state_ = State::Created;

    SourceFactory factory;
    {
        std::lock_guard<std::mutex> control(controlMutex_);
        factory = factory_;
    }
    std::shared_ptr<FrameSource> source = factory ? factory() : nullptr;
    if (!source) return fail("initClient: no frame source is chosen");
    const bool version2 = version_ != SDKVER_V1;
    SceneDef scene;
    const std::string error = source->open(version2 ? SDKVER_V2 : SDKVER_V1, connectionType_, scene);
    if (!error.empty()) return fail("initClient: " + error);
    const std::string capacity = checkCapacity(scene, version2);
    if (!capacity.empty())
        return fail(std::string("initClient: the scene does not fit the version ") + (version2 ? "2" : "1") +
                    " records: " + capacity);
    if (source->kind() == FrameSource::Kind::Paced && !(source->rateHz() > 0))
        return fail("initClient: " + source->description() + " has no positive frame rate");

    deliversVersion2_ = version2;
    if (version2)
        recordsV2_.prepare(scene);
    else
        recordsV1_.prepare(scene);
    {
        std::lock_guard<std::mutex> sceneLock(sceneMutex_);
        source_ = std::move(source);
        scene_ = std::move(scene);
    }
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        nextFrame_ = 1;
        delivered_ = 0;
        lastDelivered_ = -1;
    }
    {
        std::lock_guard<std::mutex> log(logMutex_);
        logNext_ = logCount_ = 0;
        inDelivery_ = false;
    }
    state_ = State::Initialised;
    return 0;
}

int ClientManager::startClient() {
    ++startCalls_;
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (takeInjectedFailure("startClient")) return 1;
    if (state_ == State::None) return fail("startClient: no client; call createClient first");
    if (state_ == State::Created) return fail("startClient: no descriptions yet; call initClient first");
    if (state_ == State::Started) return fail("startClient: already started; call stopClient first");
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        running_ = true;
        stop_ = false;
        lostPending_ = lost_ = false;
        messages_.clear();
        pushedHead_ = pushedCount_ = 0;
    }
    const std::string error = source_->start(*this);
    if (!error.empty()) {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        running_ = false;
        return fail("startClient: " + error);
    }
    connected_ = true;
    deliveryThread_ = std::thread(&ClientManager::deliveryLoop, this);
    state_ = State::Started;
    return 0;
}

int ClientManager::stopClient() {
    ++stopCalls_;
    if (deliveryThreadId_.load() == std::this_thread::get_id())
        return fail("stopClient: called from a handler on the SDK's thread; call it from another thread");
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        if (takeInjectedFailure("stopClient")) return 1;
        if (state_ == State::None) return fail("stopClient: no client");
        if (state_ == State::Started) {
            stopDelivery();
            state_ = State::Initialised;
        }
        std::lock_guard<std::mutex> control(controlMutex_);
        std::swap(delayMs, nextStopDelayMs_);
    }
    // A slow shutdown: the stream has stopped, the call has not returned yet.
    if (delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    return 0;
}

int ClientManager::resetClient() {
    if (deliveryThreadId_.load() == std::this_thread::get_id())
        return fail("resetClient: called from a handler on the SDK's thread; call it from another thread");
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (state_ == State::None) return fail("resetClient: no client");
    dropClient();
    state_ = State::Created;
    return 0;
}

int ClientManager::releaseClient() {
    ++releaseCalls_;
    if (deliveryThreadId_.load() == std::this_thread::get_id())
        return fail("releaseClient: called from a handler on the SDK's thread; call it from another thread");
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (takeInjectedFailure("releaseClient")) return 1;
    if (state_ == State::None) return fail("releaseClient: no client");
    dropClient();
    return 0;
}

void ClientManager::stopDelivery() {
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (deliveryThread_.joinable()) deliveryThread_.join();
    deliveryThreadId_ = std::thread::id();
    source_->stop();
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        running_ = false;
    }
    connected_ = false;
}

void ClientManager::dropClient() {
    if (state_ == State::Started) stopDelivery();
    {
        std::lock_guard<std::mutex> sceneLock(sceneMutex_);
        source_.reset();
        scene_.reset();
    }
    connected_ = false;
    state_ = State::None;
}

// ---------------------------------------------------------------- delivery

void ClientManager::deliveryLoop() {
    using Clock = std::chrono::steady_clock;
    deliveryThreadId_ = std::this_thread::get_id();
    FrameSource& source = *source_;  // source_ changes only after this thread is joined
    emit(MessageLevel::Info, "connected to " + source.description());

    const bool paced = source.kind() == FrameSource::Kind::Paced;
    const std::chrono::duration<double> period(paced ? 1.0 / source.rateHz() : 0.0);
    std::unique_lock<std::mutex> lock(deliveryMutex_);
    Clock::time_point base = Clock::now();
    long long baseFrame = nextFrame_;
    bool resetSchedule = false;
    auto woken = [this] { return stop_ || lostPending_ || !messages_.empty(); };

    while (!stop_) {
        if (flushMessages(lock)) continue;
        if (lostPending_) {
            lostPending_ = false;
            lost_ = true;
            const std::string reason = lostReason_;
            lock.unlock();
            emit(MessageLevel::Error, "connection lost: " + reason);
            lock.lock();
            continue;
        }
        if (lost_) {
            wake_.wait(lock, woken);
            continue;
        }
        if (held_) {
            resetSchedule = true;
            wake_.wait(lock, [&] { return woken() || !held_; });
            continue;
        }
        if (paced) {
            const Clock::time_point now = Clock::now();
            if (resetSchedule) {
                resetSchedule = false;
                base = now;
                baseFrame = nextFrame_;
            }
            const Clock::time_point due = base + std::chrono::duration_cast<Clock::duration>(
                                                     period * static_cast<double>(nextFrame_ - baseFrame));
            if (now < due) {
                wake_.wait_until(lock, due, [&] { return woken() || held_; });
                continue;
            }
            // Behind schedule: catch up without sleeping, but give up on more than a second of backlog.
            if (now - due > std::chrono::seconds(1)) {
                base = now;
                baseFrame = nextFrame_;
            }
            const long long frameNumber = nextFrame_++;
            ++delivered_;
            lastDelivered_ = frameNumber;
            handingOver_.store(true);
            lock.unlock();
            source.sampleAt(frameNumber, sample_);
            sample_.frameNumber = frameNumber;
            deliver(sample_);
            lock.lock();
        } else {
            if (pushedCount_ == 0) {
                wake_.wait(lock, [&] { return woken() || held_ || pushedCount_ > 0; });
                continue;
            }
            std::swap(sample_, pushed_[pushedHead_]);
            pushedHead_ = (pushedHead_ + 1) % pushed_.size();
            --pushedCount_;
            ++delivered_;
            lastDelivered_ = sample_.frameNumber;
            handingOver_.store(true);
            lock.unlock();
            deliver(sample_);
            lock.lock();
        }
    }
}

void ClientManager::deliver(const FrameSample& sample) {
    const long long now = nowUs();
    const long long sent = sample.serverSendTimeUs ? sample.serverSendTimeUs : now;
    const long long received = sample.receiveTimeUs ? sample.receiveTimeUs : now;
    logDelivery(sample, sent, received, now);
    if (deliversVersion2_) {
        sFrameOfMocapData* frame = recordsV2_.fill(sample, sent, received);
        if (DataHandlerV2 handler = dataV2_.load()) handler(frame, nullptr);
    } else {
        sFrameOfData* frame = recordsV1_.fill(sample, sent, received);
        if (DataHandlerV1 handler = dataV1_.load()) handler(frame);
    }
    {
        std::lock_guard<std::mutex> lock(logMutex_);
        inDelivery_ = false;
    }
    handingOver_.store(false);
}

void ClientManager::logDelivery(const FrameSample& sample, long long sent, long long received, long long now) {
    DeliveryRecord record;
    record.frameNumber = sample.frameNumber;
    record.serverSendTimeUs = sent;
    record.receiveTimeUs = received;
    record.handlerStartUs = now;
    record.version2 = deliversVersion2_;
    for (std::size_t s = 0; s < sample.subjects.size(); ++s) {
        if (sample.subjects[s].markers.empty()) continue;
        const Vec3& p = sample.subjects[s].markers[0];
        record.probeSubject = static_cast<int>(s);
        record.probe[0] = static_cast<float>(p.x);
        record.probe[1] = static_cast<float>(p.y);
        record.probe[2] = static_cast<float>(p.z);
        break;
    }
    std::lock_guard<std::mutex> lock(logMutex_);
    if (log_.size() != kDeliveryLogSize) log_.resize(kDeliveryLogSize);
    log_[logNext_] = record;
    logNext_ = (logNext_ + 1) % kDeliveryLogSize;
    if (logCount_ < kDeliveryLogSize) ++logCount_;
    inDelivery_ = true;
}

std::vector<DeliveryRecord> ClientManager::recentDeliveries(std::size_t max) const {
    std::lock_guard<std::mutex> lock(logMutex_);
    const std::size_t count = std::min(max, logCount_);
    std::vector<DeliveryRecord> out;
    out.reserve(count);
    for (std::size_t k = count; k > 0; --k) out.push_back(log_[(logNext_ + kDeliveryLogSize - k) % kDeliveryLogSize]);
    return out;
}

bool ClientManager::deliveryInProgress(DeliveryRecord* record) const {
    if (!record) return handingOver_.load();
    std::lock_guard<std::mutex> lock(logMutex_);
    if (!inDelivery_ || logCount_ == 0) return false;
    *record = log_[(logNext_ + kDeliveryLogSize - 1) % kDeliveryLogSize];
    return true;
}

bool ClientManager::flushMessages(std::unique_lock<std::mutex>& lock) {
    if (messages_.empty()) return false;
    std::pair<MessageLevel, std::string> next = std::move(messages_.front());
    messages_.pop_front();
    lock.unlock();
    emit(next.first, next.second);
    lock.lock();
    return true;
}

void ClientManager::emit(MessageLevel level, const std::string& text) {
    // Version 2 numbers 2 warning, 3 error, 4 debug (no info); version 1 numbers 1 error to 4 debug.
    int number = 0;
    MsgCallback callback = nullptr;
    if (deliversVersion2_) {
        callback = messageV2_.load();
        number = level == MessageLevel::Error ? 3 : level == MessageLevel::Warning ? 2 : 4;
    } else {
        callback = messageV1_.load();
        number = level == MessageLevel::Error     ? 1
                 : level == MessageLevel::Warning ? 2
                 : level == MessageLevel::Info    ? 3
                                                  : 4;
    }
    if (!callback) return;
    messageBuffer_.assign(text.begin(), text.end());
    messageBuffer_.push_back('\n');
    messageBuffer_.push_back('\0');
    callback(number, messageBuffer_.data());
}

// ---------------------------------------------------------------- FrameSink

void ClientManager::pushSample(const FrameSample& sample) {
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        if (!running_ || stop_ || lost_ || lostPending_ || held_) return;
        if (pushedCount_ == pushed_.size()) {
            pushedHead_ = (pushedHead_ + 1) % pushed_.size();
            --pushedCount_;
        }
        pushed_[(pushedHead_ + pushedCount_) % pushed_.size()] = sample;
        ++pushedCount_;
    }
    wake_.notify_all();
}

void ClientManager::message(MessageLevel level, const std::string& text) {
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        if (!running_ || stop_) return;
        messages_.emplace_back(level, text);
    }
    wake_.notify_all();
}

void ClientManager::connectionLost(const std::string& reason) {
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        if (!running_ || stop_ || lost_ || lostPending_) return;
        lostPending_ = true;
        lostReason_ = reason;
        connected_ = false;
    }
    wake_.notify_all();
}

// ---------------------------------------------------------------- descriptions and copies

sBodyDefs* ClientManager::getDataDescriptionsV1() {
    if (takeInjectedFailure("getDataDescriptionsV1")) return nullptr;
    std::lock_guard<std::mutex> lock(sceneMutex_);
    if (!scene_ || scene_->subjects.empty()) return nullptr;
    return buildDescriptionsV1(*scene_);
}

void ClientManager::freeDataDescriptionsV1(sBodyDefs* descriptions) { freeDescriptionsV1(descriptions); }

int ClientManager::getDataDescriptionsV2(sDataDescriptions** descriptions) {
    if (!descriptions) return fail("getDataDescriptionsV2: null out-pointer");
    if (takeInjectedFailure("getDataDescriptionsV2")) return 1;
    std::lock_guard<std::mutex> lock(sceneMutex_);
    *descriptions = buildDescriptionsV2(scene_ ? *scene_ : SceneDef{});
    return 0;
}

void ClientManager::freeDataDescriptionsV2(sDataDescriptions* descriptions) { freeDescriptionsV2(descriptions); }

int ClientManager::copyFrameV2(const sFrameOfMocapData* source, sFrameOfMocapData* destination) {
    if (failNextCopy_.exchange(false)) return fail("copyFrameV2: failed before copying (injected)");
    std::string error;
    if (copyFrame(source, destination, error) != 0) return fail(error);
    std::lock_guard<std::mutex> lock(copiesMutex_);
    liveCopies_.insert(destination);
    return 0;
}

int ClientManager::freeFrameV2(sFrameOfMocapData* frame) {
    if (!frame) return fail("freeFrameV2: null frame");
    freeFrame(frame);
    std::lock_guard<std::mutex> lock(copiesMutex_);
    liveCopies_.erase(frame);
    return 0;
}

long long ClientManager::liveFrameCopies() const {
    std::lock_guard<std::mutex> lock(copiesMutex_);
    return static_cast<long long>(liveCopies_.size());
}

// ---------------------------------------------------------------- control

ClientStatus ClientManager::clientStatus() {
    ClientStatus status;
    // Not under lifecycleMutex_: stopClient holds it while a handler may wait for the caller's thread.
    const State state = state_;
    status.exists = state != State::None;
    status.started = state == State::Started;
    status.dataHandlerV1 = dataV1_.load() != nullptr;
    status.msgCallbackV1 = messageV1_.load() != nullptr;
    status.dataHandlerV2 = dataV2_.load() != nullptr;
    status.msgCallbackV2 = messageV2_.load() != nullptr;
    status.createCalls = createCalls_;
    status.initCalls = initCalls_;
    status.startCalls = startCalls_;
    status.stopCalls = stopCalls_;
    status.releaseCalls = releaseCalls_;
    return status;
}

void ClientManager::chooseSource(SourceFactory factory, std::optional<SyntheticOptions> synthetic) {
    std::lock_guard<std::mutex> lock(controlMutex_);
    factory_ = std::move(factory);
    synthetic_ = std::move(synthetic);
    explicitSource_ = true;
}

void ClientManager::chooseDefaultSource(SourceFactory factory, std::optional<SyntheticOptions> synthetic) {
    std::lock_guard<std::mutex> lock(controlMutex_);
    defaultFactory_ = std::move(factory);
    defaultSynthetic_ = std::move(synthetic);
    if (!explicitSource_) {
        factory_ = defaultFactory_;
        synthetic_ = defaultSynthetic_;
    }
}

void ClientManager::failNextCall(const std::string& call, const std::string& message) {
    static const char* const kCalls[] = {"createClient",         "initClient",    "startClient",
                                         "stopClient",           "releaseClient", "getDataDescriptionsV1",
                                         "getDataDescriptionsV2"};
    bool known = false;
    for (const char* name : kCalls) known = known || call == name;
    if (!known) throw std::invalid_argument("failNextCall: no injectable call named '" + call + "'");
    std::lock_guard<std::mutex> lock(controlMutex_);
    injectedFailures_[call] = message;
}

void ClientManager::slowNextStop(int milliseconds) {
    if (milliseconds < 0) throw std::invalid_argument("slowNextStop: a negative delay");
    std::lock_guard<std::mutex> lock(controlMutex_);
    nextStopDelayMs_ = milliseconds;
}

void ClientManager::loseConnection() { connectionLost("the in-process source stopped sending (simulated)"); }

void ClientManager::holdStream(bool held) {
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        held_ = held;
    }
    wake_.notify_all();
}

long long ClientManager::deliveredFrames() const {
    std::lock_guard<std::mutex> delivery(deliveryMutex_);
    return delivered_;
}

long long ClientManager::lastDeliveredFrameNumber() const {
    std::lock_guard<std::mutex> delivery(deliveryMutex_);
    return lastDelivered_;
}

FrameSample ClientManager::groundTruth(long long frameNumber) {
    FrameSample truth;
    std::shared_ptr<FrameSource> source;
    {
        std::lock_guard<std::mutex> lock(sceneMutex_);
        source = source_;
    }
    if (source && source->groundTruth(frameNumber, truth)) return truth;
    if (source) return FrameSample{};
    std::optional<SyntheticOptions> synthetic;
    {
        std::lock_guard<std::mutex> lock(controlMutex_);
        synthetic = synthetic_;
    }
    if (!synthetic) return truth;
    try {
        return SyntheticPerformers(*synthetic).sample(frameNumber);
    } catch (const std::invalid_argument&) {
        return FrameSample{};
    }
}

SceneDef ClientManager::currentScene() {
    {
        std::lock_guard<std::mutex> lock(sceneMutex_);
        if (scene_) return *scene_;
    }
    std::optional<SyntheticOptions> synthetic;
    {
        std::lock_guard<std::mutex> lock(controlMutex_);
        synthetic = synthetic_;
    }
    if (!synthetic) return SceneDef{};
    try {
        return SyntheticPerformers(*synthetic).scene();
    } catch (const std::invalid_argument&) {
        return SceneDef{};
    }
}

void ClientManager::resetForTests() {
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    dropClient();
    createCalls_ = initCalls_ = startCalls_ = stopCalls_ = releaseCalls_ = 0;
    version_ = SDKVER_V2;
    connectionType_ = ConnectionType_Multicast;
    smooth_ = false;
    dataV1_ = nullptr;
    dataV2_ = nullptr;
    messageV1_ = nullptr;
    messageV2_ = nullptr;
    failNextCopy_ = false;
    {
        std::lock_guard<std::mutex> copies(copiesMutex_);
        liveCopies_.clear();
    }
    {
        std::lock_guard<std::mutex> control(controlMutex_);
        factory_ = defaultFactory_;
        synthetic_ = defaultSynthetic_;
        explicitSource_ = false;
        injectedFailures_.clear();
        nextStopDelayMs_ = 0;
    }
    {
        std::lock_guard<std::mutex> delivery(deliveryMutex_);
        held_ = false;
        nextFrame_ = 1;
        delivered_ = 0;
        lastDelivered_ = -1;
    }
    {
        std::lock_guard<std::mutex> log(logMutex_);
        logNext_ = logCount_ = 0;
        inDelivery_ = false;
    }
    std::lock_guard<std::mutex> error(errorMutex_);
    lastError_.clear();
}

}  // namespace tracker
}  // namespace orvane

COrvaneSDKClientManager* COrvaneSDKClientManager::instance() { return &orvane::tracker::ClientManager::get(); }
