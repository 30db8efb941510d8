# FindOrvanePluginSDK: the tracking vendor's client library, in place of the stand-in of standin/tracker.
#
#   find_package(OrvanePluginSDK REQUIRED)   # looks in ORVANE_TRACKER_SDK_DIR
#
# The product compiles against its own copies of the SDK's two headers (stream/OrvanePluginSDK.h and
# stream/OrvaneRecords.h, whose record layout is checked at compile time); the SDK's header here only
# proves the folder and is compared with ours. Its import library is linked, and its runtime library is
# installed into the Maya module beside the plug-in.
#
# Results: OrvanePluginSDK_FOUND, OrvanePluginSDK_INCLUDE_DIR, OrvanePluginSDK_LIBRARY (the import library
# on Windows), OrvanePluginSDK_RUNTIME (the .dll, .so or .dylib to ship), and the imported target
# OrvanePluginSDK.

include(FindPackageHandleStandardArgs)

# Another folder than last time: look again.
if(DEFINED _ORVANE_TRACKER_SDK_DIR_SEARCHED AND NOT _ORVANE_TRACKER_SDK_DIR_SEARCHED STREQUAL ORVANE_TRACKER_SDK_DIR)
  unset(OrvanePluginSDK_INCLUDE_DIR CACHE)
  unset(OrvanePluginSDK_LIBRARY CACHE)
  unset(OrvanePluginSDK_RUNTIME CACHE)
endif()
set(_ORVANE_TRACKER_SDK_DIR_SEARCHED "${ORVANE_TRACKER_SDK_DIR}" CACHE INTERNAL "")

set(_sdk_hints "")
if(ORVANE_TRACKER_SDK_DIR)
  file(TO_CMAKE_PATH "${ORVANE_TRACKER_SDK_DIR}" _sdk_dir)
  list(APPEND _sdk_hints "${_sdk_dir}")
endif()

find_path(OrvanePluginSDK_INCLUDE_DIR OrvanePluginSDK.h
  HINTS ${_sdk_hints} PATH_SUFFIXES include inc NO_DEFAULT_PATH)
find_library(OrvanePluginSDK_LIBRARY OrvanePluginSDK
  HINTS ${_sdk_hints} PATH_SUFFIXES lib lib64 lib/x64 x64 NO_DEFAULT_PATH)
if(WIN32)
  find_file(OrvanePluginSDK_RUNTIME OrvanePluginSDK.dll
    HINTS ${_sdk_hints} PATH_SUFFIXES bin bin/x64 lib lib/x64 x64 NO_DEFAULT_PATH)
  mark_as_advanced(OrvanePluginSDK_RUNTIME)
else()
  set(OrvanePluginSDK_RUNTIME "${OrvanePluginSDK_LIBRARY}")
endif()
mark_as_advanced(OrvanePluginSDK_INCLUDE_DIR OrvanePluginSDK_LIBRARY)

find_package_handle_standard_args(OrvanePluginSDK
  REQUIRED_VARS OrvanePluginSDK_LIBRARY OrvanePluginSDK_RUNTIME OrvanePluginSDK_INCLUDE_DIR
  REASON_FAILURE_MESSAGE "Set ORVANE_TRACKER_SDK_DIR to the SDK's folder (OrvanePluginSDK.h, the OrvanePluginSDK library).")

if(OrvanePluginSDK_FOUND)
  file(SHA256 "${OrvanePluginSDK_INCLUDE_DIR}/OrvanePluginSDK.h" _sdk_theirs)
  file(SHA256 "${PROJECT_SOURCE_DIR}/stream/OrvanePluginSDK.h" _sdk_ours)
  if(NOT _sdk_theirs STREQUAL _sdk_ours)
    message(WARNING "${OrvanePluginSDK_INCLUDE_DIR}/OrvanePluginSDK.h differs from stream/OrvanePluginSDK.h, "
                    "which the product compiles against: compare the two before shipping.")
  endif()
  if(NOT TARGET OrvanePluginSDK)
    add_library(OrvanePluginSDK SHARED IMPORTED)
    if(WIN32)
      set_target_properties(OrvanePluginSDK PROPERTIES
        IMPORTED_IMPLIB "${OrvanePluginSDK_LIBRARY}" IMPORTED_LOCATION "${OrvanePluginSDK_RUNTIME}")
    else()
      set_target_properties(OrvanePluginSDK PROPERTIES IMPORTED_LOCATION "${OrvanePluginSDK_LIBRARY}")
    endif()
    # stream/ includes its own copies with quotes, which find them first.
    set_target_properties(OrvanePluginSDK PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${OrvanePluginSDK_INCLUDE_DIR}")
  endif()
endif()
