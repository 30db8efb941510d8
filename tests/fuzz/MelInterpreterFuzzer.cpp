// The stand-in host's MEL interpreter: any bytes as one text through mayastandin::execute, on a host with an
// offscreen QApplication so that workspace controls are made for real.
//
// loadPlugin is disabled for the session (setDisabledCommands): it would open files and load libraries. Nothing
// else the interpreter can run touches the file system, loads code or waits: the scene, visibility, print and
// workspaceControl commands work in memory and on widgets that are never shown on a screen. Between inputs the
// host is shut down (controls closed, scene emptied) and the log cleared, so no input sees another's state.
//
// Properties: a failing text reports an error in the log; the DAG stays a tree the walk covers node by node.

#include <maya/MItDag.h>
#include <mayastandin/Host.h>

#include <QApplication>
#include <QEvent>

#include "FuzzSupport.h"

namespace {

int argc = 1;
char argv0[] = "fuzz_mel_interpreter";
char* argv[] = {argv0, nullptr};

std::size_t dagWalkCount() {
    std::size_t nodes = 0;
    for (MItDag it(MItDag::kDepthFirst, MFn::kInvalid); !it.isDone(); it.next()) ++nodes;
    return nodes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(argc, argv);  // lives as long as the process
    mayastandin::setDisabledCommands({"loadPlugin"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const MStatus status = mayastandin::execute(text);
    if (!status) fuzz::check(!mayastandin::logLines().empty(), "a failing text logged no error");
    fuzz::check(dagWalkCount() == mayastandin::dagNodeCount() + 1, "the DAG walk misses or repeats nodes");
    mayastandin::shutdown();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mayastandin::clearLog();
    return 0;
}
