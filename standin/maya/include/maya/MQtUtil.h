#pragma once
// Qt docking services of the host. Include every Qt header before this one: it pulls in the native window
// header, after which Qt headers no longer compile. Main (GUI) thread only.
#include <QtCore/QString>
#include <maya/MString.h>
#include <maya/MNativeWindowHdl.h>

class QObject;
class QWidget;

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MQtUtil {
public:
    // The layout widget of the workspace control being built; it stays current after the creating command
    // returns, until another control is created. NULL when there is none.
    static QWidget* getCurrentParent();
    // Puts control into layout (a control's layout widget); from then on layout owns it. Returns the
    // control's full name, or "" when layout cannot take it.
    static MString addWidgetToMayaLayout(QWidget* control, QWidget* layout, const MString& uiType = MString());
    static QWidget* mainWindow();
    static QWidget* findControl(MString controlName, const QWidget* ancestor = NULL);
    static QWidget* findLayout(MString layoutName, const QWidget* ancestor = NULL);
    static QWidget* findWindow(MString windowName);
    static MString fullName(const QObject* uiElement);
    static QString toQString(const MString& mayaString);
    static MString toMString(const QString& qtString);
};

OPENMAYA_NAMESPACE_CLOSE
