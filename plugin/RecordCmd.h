#pragma once
// The command "orvaneRecord": records takes from the connected panel and bakes them into animation curves.
//   -start [-name NAME]     starts a take at the current time, into <workspace root>data/NAME_YYYYmmdd_HHMMSS.take
//   -stop                   ends the take and bakes it; returns the take's name
//   -cancel                 ends the take without baking; its file stays
//   -bake FILE [-rate FPS]  bakes a take file, one torn by a crash too, from the current time
//   -query -recording | -frames | -seconds | -file | -dropped
// A bake is one undoable step. UI thread only.

#include <memory>

#include <maya/MArgList.h>
#include <maya/MArgParser.h>
#include <maya/MPxCommand.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MSyntax.h>

#include "TakeCurves.h"

class RecordCmd : public MPxCommand {
public:
    MStatus doIt(const MArgList& args) override;
    MStatus undoIt() override;
    MStatus redoIt() override;
    bool isUndoable() const override { return curves_ != nullptr; }

    static void* creator();
    static MSyntax newSyntax();
    static const MString name;  // "orvaneRecord"

private:
    MStatus start(const MString& takeName);
    MStatus stop(bool bakeIt);
    MStatus bakeFile(const MString& path, double rate);
    MStatus query(const MArgParser& parser);
    // Reads a take file and bakes it into the scene from startSeconds; `sessionNodes` when it is the take
    // just recorded on the current connection.
    MStatus bake(const std::string& path, double startSeconds, double rate, bool sessionNodes);

    std::unique_ptr<orvane::scene::TakeCurves> curves_;  // the bake this call did, for undo and redo
};
