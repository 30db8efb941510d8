# FindMaya: the Maya devkit's C++ API, for building plug-ins against a real Maya.
#
#   find_package(Maya 2018 REQUIRED)
#
# Looks in MAYA_LOCATION (CMake variable, else environment variable), then DEVKIT_LOCATION (the separate
# devkit package), then the usual install folder of the requested version:
#   Windows  C:/Program Files/Autodesk/Maya<year>          headers include/maya, libraries lib/*.lib
#   Linux    /usr/autodesk/maya<year>                      headers include/maya, libraries lib/lib*.so
#   macOS    /Applications/Autodesk/maya<year>/Maya.app/Contents   headers ../../include/maya, libraries MacOS/
# The version comes from MAYA_API_VERSION in maya/MTypes.h (20180000 is 2018); a requested version must match
# the year, since plug-ins do not load into another release.
#
# Results:
#   Maya_FOUND, Maya_VERSION (2018, or 2018.2 for an update), MAYA_API_VERSION, MAYA_LOCATION,
#   MAYA_INCLUDE_DIR, MAYA_LIBRARY_DIR, MAYA_<lib>_LIBRARY, MAYA_PLUGIN_SUFFIX (.mll, .so, .bundle),
#   MAYA_COMPILE_DEFINITIONS, MAYA_LINK_OPTIONS, and the imported targets
#   Maya::OpenMaya, Maya::OpenMayaAnim (joints), Maya::OpenMayaUI, Maya::Foundation and Maya::Maya (all four),
#   which carry the devkit's
#   include folder and the compile definitions Maya's own devkit build uses.

include(FindPackageHandleStandardArgs)

if(Maya_FIND_VERSION_MAJOR)
  set(_maya_year ${Maya_FIND_VERSION_MAJOR})
else()
  set(_maya_year 2018)
endif()

if(NOT MAYA_LOCATION AND DEFINED ENV{MAYA_LOCATION})
  file(TO_CMAKE_PATH "$ENV{MAYA_LOCATION}" MAYA_LOCATION)
endif()
# Another Maya than last time: look again, for its Qt too.
if(DEFINED _MAYA_LOCATION_SEARCHED AND NOT _MAYA_LOCATION_SEARCHED STREQUAL MAYA_LOCATION)
  foreach(var MAYA_INCLUDE_DIR MAYA_OpenMaya_LIBRARY MAYA_OpenMayaAnim_LIBRARY MAYA_OpenMayaUI_LIBRARY
              MAYA_Foundation_LIBRARY
              MAYA_QT_INCLUDE_DIR MAYA_QT_Core_LIBRARY MAYA_QT_Gui_LIBRARY MAYA_QT_Widgets_LIBRARY
              MAYA_QT_MOC_EXECUTABLE)
    unset(${var} CACHE)
  endforeach()
endif()
set(_MAYA_LOCATION_SEARCHED "${MAYA_LOCATION}" CACHE INTERNAL "")
set(_maya_hints "")
if(MAYA_LOCATION)
  list(APPEND _maya_hints "${MAYA_LOCATION}")
endif()
if(DEFINED ENV{DEVKIT_LOCATION})
  file(TO_CMAKE_PATH "$ENV{DEVKIT_LOCATION}" _maya_devkit)
  list(APPEND _maya_hints "${_maya_devkit}")
endif()
if(WIN32)
  list(APPEND _maya_hints "C:/Program Files/Autodesk/Maya${_maya_year}")
elseif(APPLE)
  list(APPEND _maya_hints "/Applications/Autodesk/maya${_maya_year}/Maya.app/Contents")
else()
  list(APPEND _maya_hints "/usr/autodesk/maya${_maya_year}")
endif()

find_path(MAYA_INCLUDE_DIR maya/MTypes.h
  HINTS ${_maya_hints}
  PATH_SUFFIXES include ../../include devkit/include
  DOC "Folder holding the devkit's maya/ headers"
  NO_DEFAULT_PATH)

if(MAYA_INCLUDE_DIR AND EXISTS "${MAYA_INCLUDE_DIR}/maya/MTypes.h")
  file(STRINGS "${MAYA_INCLUDE_DIR}/maya/MTypes.h" _maya_api_line REGEX "^#define[ \t]+MAYA_API_VERSION[ \t]+[0-9]+")
  string(REGEX REPLACE ".*MAYA_API_VERSION[ \t]+([0-9]+).*" "\\1" MAYA_API_VERSION "${_maya_api_line}")
  if(MAYA_API_VERSION MATCHES "^([0-9][0-9][0-9][0-9])([0-9][0-9])[0-9][0-9]$")
    set(Maya_VERSION_MAJOR ${CMAKE_MATCH_1})
    math(EXPR Maya_VERSION_MINOR "${CMAKE_MATCH_2}")
    set(Maya_VERSION ${Maya_VERSION_MAJOR})
    if(Maya_VERSION_MINOR GREATER 0)
      set(Maya_VERSION ${Maya_VERSION_MAJOR}.${Maya_VERSION_MINOR})
    endif()
  else()
    unset(MAYA_API_VERSION)
  endif()
endif()

# Libraries sit next to the headers' folder: lib/ on Windows and Linux, MacOS/ in the application bundle.
set(_maya_lib_hints ${_maya_hints})
if(MAYA_INCLUDE_DIR)
  get_filename_component(_maya_root "${MAYA_INCLUDE_DIR}" DIRECTORY)
  list(PREPEND _maya_lib_hints "${_maya_root}" "${_maya_root}/Maya.app/Contents")
endif()
set(_maya_libs OpenMaya OpenMayaAnim OpenMayaUI Foundation)
set(_maya_lib_vars "")
foreach(lib IN LISTS _maya_libs)
  find_library(MAYA_${lib}_LIBRARY ${lib}
    HINTS ${_maya_lib_hints}
    PATH_SUFFIXES lib MacOS
    DOC "Maya's ${lib} library"
    NO_DEFAULT_PATH)
  list(APPEND _maya_lib_vars MAYA_${lib}_LIBRARY)
endforeach()
if(MAYA_OpenMaya_LIBRARY)
  get_filename_component(MAYA_LIBRARY_DIR "${MAYA_OpenMaya_LIBRARY}" DIRECTORY)
endif()

set(_maya_reason "")
if(NOT MAYA_INCLUDE_DIR)
  set(_maya_reason "No maya/MTypes.h under MAYA_LOCATION ('${MAYA_LOCATION}') or the usual install folders; set MAYA_LOCATION to the Maya ${_maya_year} install (or its devkit).")
elseif(NOT MAYA_API_VERSION)
  set(_maya_reason "${MAYA_INCLUDE_DIR}/maya/MTypes.h defines no MAYA_API_VERSION.")
elseif(Maya_FIND_VERSION_MAJOR AND NOT Maya_VERSION_MAJOR EQUAL Maya_FIND_VERSION_MAJOR)
  set(_maya_reason "The devkit in ${MAYA_INCLUDE_DIR} is Maya ${Maya_VERSION} (API ${MAYA_API_VERSION}), and this build needs Maya ${Maya_FIND_VERSION_MAJOR}: plug-ins do not load into another release.")
  set(MAYA_API_VERSION MAYA_API_VERSION-NOTFOUND)
endif()

find_package_handle_standard_args(Maya
  REQUIRED_VARS MAYA_INCLUDE_DIR MAYA_API_VERSION ${_maya_lib_vars}
  VERSION_VAR Maya_VERSION
  REASON_FAILURE_MESSAGE "${_maya_reason}")

# What Maya's devkit build defines. On Linux that build used gcc 6.3.1 (Developer Toolset 6) with the
# pre-C++11 std::string ABI, which every object of the plug-in must share with Maya and its Qt.
set(MAYA_LINK_OPTIONS "")
if(WIN32)
  set(MAYA_COMPILE_DEFINITIONS NT_PLUGIN REQUIRE_IOSTREAM _BOOL)
  set(MAYA_PLUGIN_SUFFIX ".mll")
elseif(APPLE)
  set(MAYA_COMPILE_DEFINITIONS OSMac_ MAC_PLUGIN REQUIRE_IOSTREAM _BOOL)
  set(MAYA_PLUGIN_SUFFIX ".bundle")
else()
  set(MAYA_COMPILE_DEFINITIONS LINUX _BOOL REQUIRE_IOSTREAM Bits64_ UNIX LINUX_64 FUNCPROTO _GNU_SOURCE
                               _GLIBCXX_USE_CXX11_ABI=0)
  # Calls inside the plug-in bind to its own definitions, never to same-named ones elsewhere in Maya.
  set(MAYA_LINK_OPTIONS "-Wl,-Bsymbolic")
  set(MAYA_PLUGIN_SUFFIX ".so")
endif()

if(Maya_FOUND)
  foreach(lib IN LISTS _maya_libs)
    if(NOT TARGET Maya::${lib})
      add_library(Maya::${lib} UNKNOWN IMPORTED)
      set_target_properties(Maya::${lib} PROPERTIES
        IMPORTED_LOCATION "${MAYA_${lib}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${MAYA_INCLUDE_DIR}"
        INTERFACE_COMPILE_DEFINITIONS "${MAYA_COMPILE_DEFINITIONS}")
    endif()
  endforeach()
  if(NOT TARGET Maya::Maya)
    add_library(Maya::Maya INTERFACE IMPORTED)
    set_target_properties(Maya::Maya PROPERTIES
      INTERFACE_LINK_LIBRARIES "Maya::OpenMaya;Maya::OpenMayaAnim;Maya::OpenMayaUI;Maya::Foundation"
      INTERFACE_LINK_OPTIONS "${MAYA_LINK_OPTIONS}")
  endif()
endif()

mark_as_advanced(MAYA_INCLUDE_DIR ${_maya_lib_vars})
