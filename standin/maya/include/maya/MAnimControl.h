#pragma once
// The time slider: the current time, the playback range (minTime..maxTime), the animation range around it,
// and playback. Setting the current time sets every animated channel from its curve.
// This host's playback is a state only: the host's window advances the time while it plays.
#include <maya/MStatus.h>
#include <maya/MTime.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MAnimControl {
public:
    enum PlaybackMode { kPlaybackOnce, kPlaybackLoop, kPlaybackOscillate };

    MAnimControl();
    virtual ~MAnimControl();

    static MTime currentTime();
    static MStatus setCurrentTime(const MTime& newTime);

    static MTime minTime();
    static MTime maxTime();
    static MStatus setMinTime(MTime newMinTime);
    static MStatus setMaxTime(MTime newMaxTime);
    static MStatus setMinMaxTime(MTime min, MTime max);

    static MTime animationStartTime();
    static MTime animationEndTime();
    static MStatus setAnimationStartTime(MTime newStartTime);
    static MStatus setAnimationEndTime(MTime newEndTime);
    static MStatus setAnimationStartEndTime(MTime newStartTime, MTime newEndTime);

    static PlaybackMode playbackMode();
    static MStatus setPlaybackMode(PlaybackMode newMode);
    // The step of playback, in frames of the UI's time unit.
    static double playbackBy();
    static MStatus setPlaybackBy(const double& newTime);

    static bool isPlaying();
    static MStatus playForward();
    static MStatus playBackward();
    static MStatus stop();
};

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MAnimControl;
