// Qt headers (the panel's among them) come before any Maya header.
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtWidgets/QWidget>

#include <sstream>
#include <string>
#include <vector>

#include "ModuleObjects.h"
#include "QPluginPanel.h"
#include "RecordCmd.h"
#include "TakeBake.h"
#include "TakeFile.h"
#include "TakeSession.h"

#include <maya/MAnimControl.h>
#include <maya/MArgParser.h>
#include <maya/MGlobal.h>
#include <maya/MTime.h>

namespace {

// Flags: the contract's short names, with -query's own -q.
const char* const kStart[] = {"-st", "-start"};
const char* const kName[] = {"-n", "-name"};
const char* const kStop[] = {"-sp", "-stop"};
const char* const kCancel[] = {"-c", "-cancel"};
const char* const kBake[] = {"-b", "-bake"};
const char* const kRate[] = {"-r", "-rate"};
const char* const kRecording[] = {"-rec", "-recording"};
const char* const kFrames[] = {"-f", "-frames"};
const char* const kSeconds[] = {"-s", "-seconds"};
const char* const kFile[] = {"-fi", "-file"};
const char* const kDropped[] = {"-d", "-dropped"};
const char* const kExtension = ".take";

MStatus failure(const std::string& message) {
    MPxCommand::displayError(MString(("orvaneRecord: " + message).c_str()));
    return MStatus(MStatus::kFailure);
}

void warn(const std::string& message) { MPxCommand::displayWarning(MString(("orvaneRecord: " + message).c_str())); }

QPluginPanel* panel() { return qobject_cast<QPluginPanel*>(orvane::plugin::panelWidget.data()); }

// The workspace's data folder, made when missing; "data/" under the current directory without a workspace.
bool dataFolder(std::string& folder, std::string& error) {
    MString root;
    if (!MGlobal::executeCommand("workspace -q -rootDirectory", root, false, false) || root.length() == 0)
        root = (QDir::currentPath() + "/").toUtf8().constData();
    folder = std::string(root.asChar());
    if (folder.back() != '/') folder += '/';
    folder += "data/";
    if (!QDir().mkpath(QString::fromUtf8(folder.c_str()))) {
        error = "cannot make the folder " + folder;
        return false;
    }
    return true;
}

}  // namespace

const MString RecordCmd::name("orvaneRecord");

void* RecordCmd::creator() { return new RecordCmd; }

MSyntax RecordCmd::newSyntax() {
    MSyntax syntax;
    syntax.enableQuery(true);
    syntax.addFlag(kStart[0], kStart[1]);
    syntax.addFlag(kName[0], kName[1], MSyntax::kString);
    syntax.addFlag(kStop[0], kStop[1]);
    syntax.addFlag(kCancel[0], kCancel[1]);
    syntax.addFlag(kBake[0], kBake[1], MSyntax::kString);
    syntax.addFlag(kRate[0], kRate[1], MSyntax::kDouble);
    syntax.addFlag(kRecording[0], kRecording[1]);
    syntax.addFlag(kFrames[0], kFrames[1]);
    syntax.addFlag(kSeconds[0], kSeconds[1]);
    syntax.addFlag(kFile[0], kFile[1]);
    syntax.addFlag(kDropped[0], kDropped[1]);
    return syntax;
}

MStatus RecordCmd::doIt(const MArgList& args) {
    MStatus status;
    const MArgParser parser(syntax(), args, &status);
    if (!status) return failure(status.errorString().asChar());
    if (parser.isQuery()) return query(parser);
    const int actions = static_cast<int>(parser.isFlagSet(kStart[0])) + static_cast<int>(parser.isFlagSet(kStop[0])) +
                        static_cast<int>(parser.isFlagSet(kCancel[0])) + static_cast<int>(parser.isFlagSet(kBake[0]));
    if (actions != 1) return failure("give one of -start, -stop, -cancel, -bake FILE or -query");
    if (parser.isFlagSet(kStart[0])) {
        MString takeName("take");
        if (parser.isFlagSet(kName[0])) parser.getFlagArgument(kName[0], 0, takeName);
        return start(takeName);
    }
    if (parser.isFlagSet(kStop[0])) return stop(true);
    if (parser.isFlagSet(kCancel[0])) return stop(false);
    MString path;
    parser.getFlagArgument(kBake[0], 0, path);
    double rate = 0;
    if (parser.isFlagSet(kRate[0])) {
        parser.getFlagArgument(kRate[0], 0, rate);
        if (!(rate > 0 && rate <= 6000))  // 6000 FPS: the finest time unit there is
            return failure("-rate takes a number of frames per second above 0 and at most 6000");
    }
    return bakeFile(path, rate);
}

MStatus RecordCmd::query(const MArgParser& parser) {
    const orvane::panel::TakeSession& session = orvane::panel::takeSession();
    if (parser.isFlagSet(kRecording[0])) {
        setResult(session.isRecording() ? 1 : 0);
    } else if (parser.isFlagSet(kFrames[0])) {
        setResult(static_cast<int>(session.frames()));
    } else if (parser.isFlagSet(kSeconds[0])) {
        setResult(session.seconds());
    } else if (parser.isFlagSet(kFile[0])) {
        setResult(MString(session.path().c_str()));
    } else if (parser.isFlagSet(kDropped[0])) {
        setResult(static_cast<int>(session.dropped()));
    } else {
        return failure("-query takes one of -recording, -frames, -seconds, -file, -dropped");
    }
    return MStatus::kSuccess;
}

MStatus RecordCmd::start(const MString& takeName) {
    QPluginPanel* livePanel = panel();
    if (livePanel == nullptr || !livePanel->isConnected())
        return failure("no connected Live Panel; open it (OrvanePluginWindow) and connect first");
    if (orvane::panel::takeSession().isRecording()) return failure("a take is being recorded already");
    std::string folder, error;
    if (!dataFolder(folder, error)) return failure(error);
    const std::string stamp = QDateTime::currentDateTime().toString("yyyyMMdd_HHmmss").toStdString();
    std::string base = std::string(takeName.length() > 0 ? takeName.asChar() : "take") + "_" + stamp;
    for (char& c : base)  // a name, never a path
        if (c == '/' || c == '\\' || c == ':') c = '_';
    // Two takes of one name started within a second: the later one gets a suffix, never the earlier one's file.
    const std::string stamped = base;
    for (int n = 2; QFileInfo::exists(QString::fromStdString(folder + base + kExtension)); ++n)
        base = stamped + "_" + std::to_string(n);
    const std::string path = folder + base + kExtension;
    const double startSeconds = MAnimControl::currentTime().as(MTime::kSeconds);
    if (!livePanel->startTake(path, base, startSeconds, error)) return failure(error);
    displayInfo(MString(("orvaneRecord: recording " + base + " into " + path).c_str()));
    setResult(MString(base.c_str()));
    return MStatus::kSuccess;
}

MStatus RecordCmd::stop(bool bakeIt) {
    orvane::panel::TakeSession& session = orvane::panel::takeSession();
    if (!session.isRecording()) return failure("no take is being recorded");
    const orvane::take::TakeSummary summary = session.stop();
    const std::string takeName = session.layout().takeName;
    if (summary.framesDropped > 0) {
        std::ostringstream message;
        message << summary.framesDropped << " frames of " << takeName
                << " were dropped: the take file's writer fell behind the stream";
        warn(message.str());
    }
    if (!summary.error.empty()) warn(summary.error);
    setResult(MString(takeName.c_str()));
    if (!bakeIt) {
        displayInfo(MString(("orvaneRecord: " + takeName + " kept unbaked in " + session.path()).c_str()));
        return MStatus::kSuccess;
    }
    return bake(session.path(), session.layout().hostStartSeconds, 0, true);
}

MStatus RecordCmd::bakeFile(const MString& path, double rate) {
    if (path.length() == 0) return failure("-bake takes the path of a take file");
    return bake(path.asChar(), MAnimControl::currentTime().as(MTime::kSeconds), rate, false);
}

MStatus RecordCmd::bake(const std::string& path, double startSeconds, double rate, bool sessionNodes) {
    orvane::take::TakeData take;
    orvane::take::TakeReadReport report;
    if (!orvane::take::readTakeFile(path, take, report))
        return failure("cannot read the take file " + path + ": " + report.message);
    if (!report.complete) {
        std::ostringstream message;
        message << path << " ends without its end record (recording was cut short): " << report.framesKept
                << " frames kept, " << report.bytesDiscarded << " bytes after the last whole record discarded";
        warn(message.str());
    }
    orvane::scene::BakeOptions options;
    options.startSeconds = startSeconds;
    options.rate = rate;
    const orvane::scene::BakeResult keys = orvane::scene::bakeTake(take, options);
    if (!keys.error.empty()) return failure("cannot bake " + path + ": " + keys.error);
    const orvane::panel::TakeSession& session = orvane::panel::takeSession();
    const orvane::scene::TakeNodes nodes = orvane::scene::resolveTakeNodes(
        take.layout, sessionNodes ? &session.markerNodes() : nullptr, sessionNodes ? &session.jointNodes() : nullptr);
    std::vector<std::string> skipped;
    curves_ = std::make_unique<orvane::scene::TakeCurves>();
    curves_->bake(keys, take.layout, nodes, skipped);
    if (!skipped.empty()) {
        std::ostringstream message;
        message << skipped.size() << " nodes of the take are no longer in the scene and were skipped: ";
        for (std::size_t i = 0; i < skipped.size() && i < 10; ++i) message << (i ? ", " : "") << skipped[i];
        if (skipped.size() > 10) message << ", ...";
        warn(message.str());
    }
    std::ostringstream done;
    done << "orvaneRecord: baked " << take.frames.size() << " frames of " << take.layout.takeName << " ("
         << keys.captureRate << " Hz) into " << curves_->curvesCreated() + curves_->curvesKeyed() << " curves, "
         << keys.startSeconds << " s to " << keys.endSeconds << " s";
    displayInfo(MString(done.str().c_str()));
    setResult(MString(take.layout.takeName.c_str()));
    return MStatus::kSuccess;
}

MStatus RecordCmd::undoIt() {
    if (curves_) curves_->undoIt();
    return MStatus::kSuccess;
}

MStatus RecordCmd::redoIt() {
    if (curves_) curves_->redoIt();
    return MStatus::kSuccess;
}
