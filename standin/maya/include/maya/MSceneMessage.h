#pragma once
// Scene messages: callbacks run around New Scene (file -new) and Open Scene (file -open). Before-messages run
// while the old scene still stands, after-messages once the new one is in; a check callback at
// kBeforeNewCheck or kBeforeOpenCheck that sets its retCode to false cancels the operation. Main thread only.
#include <maya/MMessage.h>
#include <maya/MStringArray.h>

OPENMAYA_NAMESPACE_OPEN

class OPENMAYA_EXPORT MSceneMessage : public MMessage {
public:
    // The devkit's messages and values; this host sends kSceneUpdate, kBeforeNew, kAfterNew, kBeforeOpen,
    // kAfterOpen, kBeforeSave, kAfterSave, kBeforeNewCheck, kBeforeOpenCheck and kBeforeSaveCheck.
    enum Message {
        kSceneUpdate,
        kBeforeNew,
        kAfterNew,
        kBeforeImport,
        kAfterImport,
        kBeforeOpen,
        kAfterOpen,
        kBeforeFileRead,
        kAfterFileRead,
        kAfterSceneReadAndRecordEdits,
        kBeforeExport,
        kAfterExport,
        kBeforeSave,
        kAfterSave,
        kBeforeReference,
        kAfterReference,
        kBeforeRemoveReference,
        kAfterRemoveReference,
        kBeforeImportReference,
        kAfterImportReference,
        kBeforeExportReference,
        kAfterExportReference,
        kBeforeUnloadReference,
        kAfterUnloadReference,
        kBeforeSoftwareRender,
        kAfterSoftwareRender,
        kBeforeSoftwareFrameRender,
        kAfterSoftwareFrameRender,
        kSoftwareRenderInterrupted,
        kMayaInitialized,
        kMayaExiting,
        kBeforeNewCheck,
        kBeforeOpenCheck,
        kBeforeSaveCheck,
        kBeforeImportCheck,
        kBeforeExportCheck,
        kBeforeLoadReference,
        kAfterLoadReference,
        kBeforeLoadReferenceCheck,
        kBeforeReferenceCheck,
        kBeforeCreateReferenceCheck = kBeforeReferenceCheck,
        kBeforePluginLoad,
        kAfterPluginLoad,
        kBeforePluginUnload,
        kAfterPluginUnload,
        kBeforeCreateReference,
        kAfterCreateReference,
        kExportStarted,
        kBeforeLoadReferenceAndRecordEdits,
        kAfterLoadReferenceAndRecordEdits,
        kBeforeCreateReferenceAndRecordEdits,
        kAfterCreateReferenceAndRecordEdits,
        kLast
    };

    static MCallbackId addCallback(Message msg, MMessage::MBasicFunction func, void* clientData = NULL,
                                   MStatus* ReturnStatus = NULL);
    static MCallbackId addCheckCallback(Message msg, MMessage::MCheckFunction func, void* clientData = NULL,
                                        MStatus* ReturnStatus = NULL);
    static const char* className();
};

OPENMAYA_NAMESPACE_CLOSE
