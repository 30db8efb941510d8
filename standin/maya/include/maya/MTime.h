#pragma once
// A time: a value in a unit. Values compare and add in seconds whatever their units. The UI unit is the
// scene's frame rate (film, 24 frames a second, by default) and the default unit of new times.
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MTime {
public:
    enum Unit {
        kInvalid,
        kHours,
        kMinutes,
        kSeconds,
        kMilliseconds,
        kGames,      // 15 fps
        kFilm,       // 24 fps
        kPALFrame,   // 25 fps
        kNTSCFrame,  // 30 fps
        kShowScan,   // 48 fps
        kPALField,   // 50 fps
        kNTSCField,  // 60 fps
        k2FPS,
        k3FPS,
        k4FPS,
        k5FPS,
        k6FPS,
        k8FPS,
        k10FPS,
        k12FPS,
        k16FPS,
        k20FPS,
        k40FPS,
        k75FPS,
        k80FPS,
        k100FPS,
        k120FPS,
        k125FPS,
        k150FPS,
        k200FPS,
        k240FPS,
        k250FPS,
        k300FPS,
        k375FPS,
        k400FPS,
        k500FPS,
        k600FPS,
        k750FPS,
        k1200FPS,
        k1500FPS,
        k2000FPS,
        k3000FPS,
        k6000FPS,
        k23_976FPS,
        k29_97FPS,
        k29_97DF,
        k47_952FPS,
        k59_94FPS,
        k44100FPS,
        k48000FPS,
        kUserDef,
        kLast
    };

    MTime();
    MTime(const MTime& src);
    MTime(double value, Unit unit = uiUnit());
    ~MTime();

    Unit unit() const;
    double value() const;
    MStatus setUnit(Unit newUnit);  // keeps the time: the value is converted
    MStatus setValue(double newValue);
    double as(Unit otherUnit) const;
    double asUnits(Unit otherUnit) const;

    static Unit uiUnit();
    static MStatus setUIUnit(Unit newUnit);

    MTime& operator=(const MTime& rhs);
    MTime operator+(const MTime& rhs) const;
    MTime operator+(double rhs) const;  // rhs in this time's unit
    MTime& operator+=(const MTime& rhs);
    MTime& operator+=(double rhs);
    MTime operator-(const MTime& rhs) const;
    MTime operator-(double rhs) const;
    MTime& operator-=(const MTime& rhs);
    MTime& operator-=(double rhs);
    MTime operator*(double rhs) const;
    MTime& operator*=(double rhs);
    MTime operator/(double rhs) const;
    MTime& operator/=(double rhs);
    bool operator==(const MTime& rhs) const;
    bool operator!=(const MTime& rhs) const;
    bool operator<(const MTime& rhs) const;
    bool operator>(const MTime& rhs) const;
    bool operator<=(const MTime& rhs) const;
    bool operator>=(const MTime& rhs) const;

private:
    double fValue;
    Unit fUnit;
};

OPENMAYA_NAMESPACE_CLOSE

using Autodesk::Maya::OpenMaya20180000::MTime;
