#include "TakeBake.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <deque>

namespace orvane {
namespace scene {
namespace {

const double kPi = 3.14159265358979323846;
const double kDegrees = 180.0 / kPi;
// The applier scales stream millimetres by this single-precision value, in double arithmetic.
const double kPositionScale = static_cast<double>(0.1f);

// ---------------------------------------------------------------- rotations (column vectors, Hamilton product)
struct Vec {
    double x, y, z;
};
Vec operator+(const Vec& a, const Vec& b) { return Vec{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(const Vec& a, const Vec& b) { return Vec{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(const Vec& a, const Vec& b) {
    return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Quat {
    double x, y, z, w;
};
const Quat kIdentity{0, 0, 0, 1};

Quat operator*(const Quat& a, const Quat& b) {
    return Quat{a.w * b.x + b.w * a.x + (a.y * b.z - a.z * b.y), a.w * b.y + b.w * a.y + (a.z * b.x - a.x * b.z),
                a.w * b.z + b.w * a.z + (a.x * b.y - a.y * b.x), a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z)};
}
Quat conjugate(const Quat& q) { return Quat{-q.x, -q.y, -q.z, q.w}; }

// A zero quaternion is no rotation, as the host reads it; others are normalised.
Quat normalised(const Quat& q) {
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    return n == 0.0 ? kIdentity : Quat{q.x / n, q.y / n, q.z / n, q.w / n};
}

Vec rotate(const Quat& q, const Vec& v) {
    const Vec u{q.x, q.y, q.z};
    const Vec t = cross(u, v);
    const Vec t2{2 * t.x, 2 * t.y, 2 * t.z};
    const Vec c = cross(u, t2);
    return Vec{v.x + q.w * t2.x + c.x, v.y + q.w * t2.y + c.y, v.z + q.w * t2.z + c.z};
}

// X applied first, then Y, then Z: q = qz * qy * qx.
Quat fromEuler(const Euler& e) {
    const double hx = e.x / kDegrees / 2, hy = e.y / kDegrees / 2, hz = e.z / kDegrees / 2;
    const Quat qx{std::sin(hx), 0, 0, std::cos(hx)}, qy{0, std::sin(hy), 0, std::cos(hy)},
        qz{0, 0, std::sin(hz), std::cos(hz)};
    return qz * (qy * qx);
}

Euler toEuler(const Quat& q) {
    const double m00 = 1 - 2 * (q.y * q.y + q.z * q.z), m10 = 2 * (q.x * q.y + q.w * q.z);
    const double m20 = 2 * (q.x * q.z - q.w * q.y), m21 = 2 * (q.y * q.z + q.w * q.x);
    const double m22 = 1 - 2 * (q.x * q.x + q.y * q.y);
    const double cy = std::sqrt(m00 * m00 + m10 * m10);
    if (cy > 1e-9)
        return Euler{std::atan2(m21, m22) * kDegrees, std::atan2(-m20, cy) * kDegrees, std::atan2(m10, m00) * kDegrees};
    // Y at +-90 degrees: X and Z turn about one axis; Z is taken as 0.
    const double m11 = 1 - 2 * (q.x * q.x + q.z * q.z), m12 = 2 * (q.y * q.z - q.w * q.x);
    return Euler{std::atan2(-m12, m11) * kDegrees, std::atan2(-m20, cy) * kDegrees, 0.0};
}

Quat slerp(const Quat& a, Quat b, double t) {
    double d = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (d < 0) {
        b = Quat{-b.x, -b.y, -b.z, -b.w};
        d = -d;
    }
    double wa = 1 - t, wb = t;
    if (d < 0.9999999) {
        const double angle = std::acos(d), s = std::sin(angle);
        wa = std::sin((1 - t) * angle) / s;
        wb = std::sin(t * angle) / s;
    }
    return normalised(Quat{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w});
}

double unroll(double angle, double previous) { return angle + 360.0 * std::round((previous - angle) / 360.0); }

// ---------------------------------------------------------------- the grid

// Least-squares line t = a + b n over a window of (slot, time) pairs.
class LineFit {
public:
    void add(double n, double t) {
        points_.emplace_back(n, t);
        sn_ += n, st_ += t, snn_ += n * n, snt_ += n * t;
    }
    void dropOldest() {
        const std::pair<double, double> p = points_.front();
        points_.pop_front();
        sn_ -= p.first, st_ -= p.second, snn_ -= p.first * p.first, snt_ -= p.first * p.second;
    }
    void shiftBack(std::size_t count) {  // the last `count` points move one slot back
        for (std::size_t i = points_.size() - std::min(count, points_.size()); i < points_.size(); ++i)
            points_[i].first -= 1;
        const std::deque<std::pair<double, double>> points = points_;
        *this = LineFit();
        for (const auto& p : points) add(p.first, p.second);
    }
    std::size_t size() const { return points_.size(); }
    double intercept(double slope) const { return (st_ - slope * sn_) / static_cast<double>(points_.size()); }
    // Slope and intercept; the slope kept within a quarter of `period`, else `period` itself.
    void line(double period, double& a, double& b) const {
        const double c = static_cast<double>(points_.size());
        const double den = c * snn_ - sn_ * sn_;
        b = den > 0 ? (c * snt_ - sn_ * st_) / den : period;
        if (!(b > 0.75 * period && b < 1.25 * period)) b = period;
        a = (st_ - b * sn_) / c;
    }

private:
    std::deque<std::pair<double, double>> points_;
    double sn_ = 0, st_ = 0, snn_ = 0, snt_ = 0;
};

const std::size_t kFitWindow = 64;
const std::size_t kMinFit = 8;
const std::size_t kMaxBunch = 64;

// ---------------------------------------------------------------- building the keys

// One node's keys at recorded frames, before resampling: `segments` tells samples apart that a frame
// without the node (absent or untracked) lies between.
struct Samples {
    std::vector<std::uint32_t> segments;
    std::uint32_t segment = 0;
    bool broken = false;
    int lastVisible = -1;
    void add(NodeTrack& track, std::uint32_t frame) {
        if (broken && !segments.empty()) ++segment;
        broken = false;
        track.keys.push_back(frame);
        segments.push_back(segment);
    }
};

struct ChainState {  // the host's view of a version 2 chain between frames
    std::vector<Vec> localT, worldT;
    std::vector<Quat> localR, worldR;
};

void addVisibility(NodeTrack& track, Samples& samples, std::uint32_t frame, bool visible) {
    if (samples.lastVisible == static_cast<int>(visible)) return;
    samples.lastVisible = visible;
    track.visibilityKeys.push_back(frame);
    track.visible.push_back(visible ? 1 : 0);
}

void filterRotations(std::vector<double>& rotate) {
    for (std::size_t i = 3; i + 2 < rotate.size(); i += 3) {
        const Euler e = filterEuler(Euler{rotate[i], rotate[i + 1], rotate[i + 2]},
                                    Euler{rotate[i - 3], rotate[i - 2], rotate[i - 1]});
        rotate[i] = e.x, rotate[i + 1] = e.y, rotate[i + 2] = e.z;
    }
}

// Keys at the resampling grid from keys at recorded frames: positions linearly, rotations by slerp, between
// neighbouring samples of one segment; visibility steps to the first grid time at or after each change.
NodeTrack resample(const NodeTrack& in, const Samples& samples, const std::vector<double>& frameTimes,
                   const std::vector<double>& times) {
    NodeTrack out;
    out.joint = in.joint, out.list = in.list, out.element = in.element;
    const double tolerance = 1e-9;
    std::size_t s = 0;
    for (std::uint32_t k = 0; k < times.size() && !in.keys.empty(); ++k) {
        const double t = times[k];
        while (s + 1 < in.keys.size() && frameTimes[in.keys[s + 1]] <= t + tolerance) ++s;
        const double t0 = frameTimes[in.keys[s]];
        if (t < t0 - tolerance) continue;
        double alpha = 0;
        std::size_t s1 = s;
        if (t > t0 + tolerance) {
            if (s + 1 >= in.keys.size() || samples.segments[s + 1] != samples.segments[s]) continue;
            s1 = s + 1;
            alpha = (t - t0) / (frameTimes[in.keys[s1]] - t0);
        }
        out.keys.push_back(k);
        for (int c = 0; c < 3; ++c)
            out.translate.push_back(in.translate[3 * s + c] +
                                    alpha * (in.translate[3 * s1 + c] - in.translate[3 * s + c]));
        if (in.joint) {
            const Quat a = fromEuler(Euler{in.rotate[3 * s], in.rotate[3 * s + 1], in.rotate[3 * s + 2]});
            const Quat b = fromEuler(Euler{in.rotate[3 * s1], in.rotate[3 * s1 + 1], in.rotate[3 * s1 + 2]});
            const Euler e = toEuler(slerp(a, b, alpha));
            out.rotate.insert(out.rotate.end(), {e.x, e.y, e.z});
        }
    }
    const double rate = times.size() > 1 ? 1.0 / (times[1] - times[0]) : 1.0;
    for (std::size_t v = 0; v < in.visibilityKeys.size(); ++v) {
        const double at = std::ceil((frameTimes[in.visibilityKeys[v]] - times.front()) * rate - 1e-6);
        const std::uint32_t k =
            static_cast<std::uint32_t>(std::min<double>(std::max(0.0, at), static_cast<double>(times.size() - 1)));
        if (!out.visibilityKeys.empty() && out.visibilityKeys.back() == k) {
            out.visible.back() = in.visible[v];
        } else {
            out.visibilityKeys.push_back(k);
            out.visible.push_back(in.visible[v]);
        }
    }
    return out;
}

}  // namespace

Euler filterEuler(const Euler& e, const Euler& previous) {
    const Euler candidates[2] = {e, Euler{e.x + 180.0, 180.0 - e.y, e.z + 180.0}};
    Euler best = e;
    double bestDistance = -1;
    for (const Euler& c : candidates) {
        const Euler u{unroll(c.x, previous.x), unroll(c.y, previous.y), unroll(c.z, previous.z)};
        const double d = std::fabs(u.x - previous.x) + std::fabs(u.y - previous.y) + std::fabs(u.z - previous.z);
        if (bestDistance < 0 || d < bestDistance) best = u, bestDistance = d;
    }
    return best;
}

CaptureGrid captureGrid(const std::vector<std::int64_t>& arrivalNs) {
    CaptureGrid grid;
    const std::size_t n = arrivalNs.size();
    grid.frameSlots.resize(n);
    if (n == 0) return grid;
    std::vector<double> t(n);
    for (std::size_t i = 0; i < n; ++i) t[i] = static_cast<double>(arrivalNs[i] - arrivalNs[0]) * 1e-9;
    std::vector<double> intervals;
    for (std::size_t i = 1; i < n; ++i)
        if (t[i] > t[i - 1]) intervals.push_back(t[i] - t[i - 1]);
    if (intervals.empty()) {  // no two arrivals apart: nothing to tell a rate by
        for (std::size_t i = 0; i < n; ++i) grid.frameSlots[i] = static_cast<std::int64_t>(i);
        return grid;
    }
    std::nth_element(intervals.begin(), intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2),
                     intervals.end());
    const double median = intervals[intervals.size() / 2];

    LineFit fit;
    fit.add(0, 0);
    for (std::size_t i = 1; i < n; ++i) {
        // Too few frames for a slope of their own: the median's slope through them.
        double a = fit.intercept(median), b = median;
        if (fit.size() >= kMinFit) fit.line(median, a, b);
        std::int64_t slot = std::llround((t[i] - a) / b);
        const std::int64_t previous = grid.frameSlots[i - 1];
        if (slot <= previous) {
            // A bunch delivered late: move the run of adjacent slots before this frame back, when there is room.
            std::size_t first = i - 1;
            while (first > 0 && i - first < kMaxBunch && grid.frameSlots[first - 1] == grid.frameSlots[first] - 1)
                --first;
            if (slot == previous && first > 0 && grid.frameSlots[first - 1] < grid.frameSlots[first] - 1) {
                for (std::size_t j = first; j < i; ++j) --grid.frameSlots[j];
                fit.shiftBack(i - first);
            } else {
                slot = previous + 1;
            }
        }
        grid.frameSlots[i] = slot;
        fit.add(static_cast<double>(slot), t[i]);
        if (fit.size() > kFitWindow) fit.dropOldest();
    }

    // The period: the least-squares slope over every frame.
    double sn = 0, st = 0, snn = 0, snt = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double s = static_cast<double>(grid.frameSlots[i]);
        sn += s, st += t[i], snn += s * s, snt += s * t[i];
    }
    const double c = static_cast<double>(n), den = c * snn - sn * sn;
    grid.period = den > 0 ? (c * snt - sn * st) / den : 0;
    if (!(grid.period > 0)) grid.period = median;
    return grid;
}

BakeResult bakeTake(const take::TakeData& take, const BakeOptions& options) {
    BakeResult result;
    const take::TakeLayout& layout = take.layout;
    const std::size_t frameCount = take.frames.size();
    result.startSeconds = result.endSeconds = options.startSeconds;
    if (frameCount == 0) return result;

    std::vector<std::int64_t> arrivals(frameCount);
    for (std::size_t f = 0; f < frameCount; ++f) arrivals[f] = take.frames[f].arrivalNs;
    const CaptureGrid grid = captureGrid(arrivals);
    result.captureRate = grid.period > 0 ? 1.0 / grid.period : 0;
    std::vector<double> frameTimes(frameCount);
    for (std::size_t f = 0; f < frameCount; ++f)
        frameTimes[f] = options.startSeconds + static_cast<double>(grid.frameSlots[f]) * grid.period;

    // One track per locator, then one per joint, in layout order.
    std::vector<NodeTrack> tracks;
    std::vector<std::size_t> firstMarker, firstBone;
    for (std::size_t g = 0; g < layout.markerGroups.size(); ++g) {
        firstMarker.push_back(tracks.size());
        for (std::size_t j = 0; j < layout.markerGroups[g].markerNames.size(); ++j) {
            tracks.emplace_back();
            tracks.back().list = static_cast<int>(g), tracks.back().element = static_cast<int>(j);
        }
    }
    std::vector<ChainState> chains(layout.chains.size());
    for (std::size_t k = 0; k < layout.chains.size(); ++k) {
        firstBone.push_back(tracks.size());
        const std::size_t bones = layout.chains[k].boneNames.size();
        for (std::size_t l = 0; l < bones; ++l) {
            tracks.emplace_back();
            tracks.back().joint = true;
            tracks.back().list = static_cast<int>(k), tracks.back().element = static_cast<int>(l);
        }
        chains[k].localT.assign(bones, Vec{0, 0, 0});
        chains[k].worldT.assign(bones, Vec{0, 0, 0});
        chains[k].localR.assign(bones, kIdentity);
        chains[k].worldR.assign(bones, kIdentity);
    }
    std::vector<Samples> samples(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i) {  // most nodes are keyed at most frames
        tracks[i].keys.reserve(frameCount);
        tracks[i].translate.reserve(3 * frameCount);
        if (tracks[i].joint) tracks[i].rotate.reserve(3 * frameCount);
        samples[i].segments.reserve(frameCount);
    }

    for (std::uint32_t f = 0; f < frameCount; ++f) {
        for (std::size_t g = 0; g < layout.markerGroups.size(); ++g) {
            const std::size_t markers = layout.markerGroups[g].markerNames.size();
            const take::TakeData::GroupSpan* span = take.group(f, g);
            const std::size_t present = span ? span->markerCount : 0;
            for (std::size_t j = 0; j < markers; ++j) {
                const std::size_t id = firstMarker[g] + j;
                if (j >= present) {
                    samples[id].broken = true;
                    continue;
                }
                const float* v = &take.markerValues[span->firstValue + 3 * j];
                NodeTrack& track = tracks[id];
                samples[id].add(track, f);
                track.translate.insert(track.translate.end(),
                                       {v[0] * kPositionScale, v[1] * kPositionScale, v[2] * kPositionScale});
            }
        }
        for (std::size_t k = 0; k < layout.chains.size(); ++k) {
            const take::ChainLayout& chainLayout = layout.chains[k];
            const take::TakeData::ChainSpan* span = take.chain(f, k);
            const std::size_t present = span ? span->boneCount : 0;
            ChainState& state = chains[k];
            for (std::size_t l = 0; l < chainLayout.boneNames.size(); ++l) {
                const std::size_t id = firstBone[k] + l;
                NodeTrack& track = tracks[id];
                const bool tracked = l < present && take.tracked[span->firstBone + l] != 0;
                const double* pose = tracked ? &take.poses[7 * (span->firstBone + l)] : nullptr;
                if (!layout.isVersion2()) {
                    if (!tracked) {
                        samples[id].broken = true;
                        continue;
                    }
                    samples[id].add(track, f);
                    track.translate.insert(track.translate.end(), {pose[0] * kPositionScale, pose[1] * kPositionScale,
                                                                   pose[2] * kPositionScale});
                    track.rotate.insert(track.rotate.end(), {pose[3], pose[4], pose[5]});
                    continue;
                }
                const int parent = l < chainLayout.parents.size() ? chainLayout.parents[l] : -1;
                const Vec parentT = parent < 0 ? Vec{0, 0, 0} : state.worldT[parent];
                const Quat parentR = parent < 0 ? kIdentity : state.worldR[parent];
                if (l < present && l != 0) addVisibility(track, samples[id], f, tracked);
                if (!tracked) {
                    // Not moved: it follows its parent.
                    state.worldT[l] = parentT + rotate(parentR, state.localT[l]);
                    state.worldR[l] = parentR * state.localR[l];
                    if (l < present) samples[id].broken = true;
                    continue;
                }
                const Vec worldT{pose[0] * kPositionScale, pose[1] * kPositionScale, pose[2] * kPositionScale};
                const Quat worldR = normalised(Quat{pose[3], pose[4], pose[5], pose[6]});
                const Quat inverseParent = conjugate(parentR);
                state.localT[l] = rotate(inverseParent, worldT - parentT);
                state.localR[l] = inverseParent * worldR;
                state.worldT[l] = worldT;
                state.worldR[l] = worldR;
                samples[id].add(track, f);
                const Euler e = toEuler(state.localR[l]);
                track.translate.insert(track.translate.end(),
                                       {state.localT[l].x, state.localT[l].y, state.localT[l].z});
                track.rotate.insert(track.rotate.end(), {e.x, e.y, e.z});
            }
        }
    }

    // Visibility only for bones hidden at some point of the take.
    for (NodeTrack& track : tracks) {
        if (std::find(track.visible.begin(), track.visible.end(), 0) == track.visible.end()) {
            track.visibilityKeys.clear();
            track.visible.clear();
        }
    }

    if (options.rate > 0) {
        const double span = frameTimes.back() - options.startSeconds;
        const double keys = std::floor(span * options.rate + 1e-6) + 1;
        if (!(keys <= std::max(kResampledKeysAlwaysAllowed, kMaxResampledKeysPerFrame * double(frameCount)))) {
            BakeResult refused;
            refused.startSeconds = refused.endSeconds = options.startSeconds;
            refused.error = "its " + std::to_string(frameCount) + " frames span " + std::to_string(span) +
                            " s, too long to resample at " + std::to_string(options.rate) +
                            " FPS (damaged arrival times?)";
            return refused;
        }
        const std::size_t count = static_cast<std::size_t>(keys);
        result.times.resize(count);
        for (std::size_t k = 0; k < count; ++k)
            result.times[k] = options.startSeconds + static_cast<double>(k) / options.rate;
        for (std::size_t i = 0; i < tracks.size(); ++i)
            tracks[i] = resample(tracks[i], samples[i], frameTimes, result.times);
    } else {
        result.times = std::move(frameTimes);
    }
    for (NodeTrack& track : tracks) {
        if (track.keys.empty() && track.visibilityKeys.empty()) continue;
        filterRotations(track.rotate);
        result.tracks.push_back(std::move(track));
    }
    result.endSeconds = result.times.back();
    return result;
}

}  // namespace scene
}  // namespace orvane
