# Qt for a real-devkit build: Maya's own Qt 5.6 where the devkit provides it, else a Qt 5.6 that
# find_package(Qt5) finds (Qt5_DIR or CMAKE_PREFIX_PATH).
#
# Maya ships its Qt libraries in its lib/ folder (on Windows the import libraries in lib/ and the DLLs in
# bin/), moc in bin/, and the headers as an archive in the devkit's include/ folder (qt_5.6.1_include.zip,
# qt-5.6.1-include.tar.gz) that the developer unpacks. MAYA_QT_INCLUDE_DIR is the folder holding the unpacked
# QtCore/, QtGui/ and QtWidgets/; by default include/ itself and include/qt-5.6.1-include are tried.
# The result is the imported targets Qt5::Core, Qt5::Gui, Qt5::Widgets and Qt5::moc that the product's
# CMakeLists link, the same names find_package(Qt5) gives.

if(TARGET Qt5::Core)
  return()
endif()

set(_maya_qt_found OFF)
if(NOT Qt5_DIR)
  find_path(MAYA_QT_INCLUDE_DIR QtCore/qglobal.h
    HINTS "${MAYA_INCLUDE_DIR}"
    PATH_SUFFIXES qt-5.6.1-include qt_5.6.1_include qt
    DOC "Folder of the devkit's unpacked Qt headers (QtCore/, QtGui/, QtWidgets/)"
    NO_DEFAULT_PATH)
  set(_maya_qt_lib_hints "${MAYA_LIBRARY_DIR}")
  if(MAYA_LOCATION)
    list(APPEND _maya_qt_lib_hints "${MAYA_LOCATION}/lib")
  endif()
  foreach(module Core Gui Widgets)
    find_library(MAYA_QT_${module}_LIBRARY NAMES Qt5${module} libQt5${module}.so.5 Qt${module}
      HINTS ${_maya_qt_lib_hints} NO_DEFAULT_PATH)
  endforeach()
  set(_maya_qt_bin_hints "")
  if(MAYA_LOCATION)
    list(APPEND _maya_qt_bin_hints "${MAYA_LOCATION}/bin" "${MAYA_LOCATION}/MacOS")
  endif()
  find_program(MAYA_QT_MOC_EXECUTABLE moc HINTS ${_maya_qt_bin_hints} NO_DEFAULT_PATH)
  mark_as_advanced(MAYA_QT_INCLUDE_DIR MAYA_QT_Core_LIBRARY MAYA_QT_Gui_LIBRARY MAYA_QT_Widgets_LIBRARY
                   MAYA_QT_MOC_EXECUTABLE)
  if(MAYA_QT_INCLUDE_DIR AND MAYA_QT_Core_LIBRARY AND MAYA_QT_Gui_LIBRARY AND MAYA_QT_Widgets_LIBRARY
     AND MAYA_QT_MOC_EXECUTABLE)
    set(_maya_qt_found ON)
  endif()
endif()

if(NOT _maya_qt_found)
  message(STATUS "Maya's Qt: not found in the devkit (unpack its Qt headers or set MAYA_QT_INCLUDE_DIR); using find_package(Qt5)")
  find_package(Qt5 5.6 REQUIRED COMPONENTS Core Gui Widgets)
  return()
endif()

file(STRINGS "${MAYA_QT_INCLUDE_DIR}/QtCore/qglobal.h" _maya_qt_version_line
     REGEX "^#[ \t]*define[ \t]+QT_VERSION_STR[ \t]+\"[0-9.]+\"")
string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" _maya_qt_version "${_maya_qt_version_line}")
if(NOT _maya_qt_version MATCHES "^5\\.6(\\.|$)")
  message(FATAL_ERROR "Maya's Qt headers in ${MAYA_QT_INCLUDE_DIR} are Qt '${_maya_qt_version}'; Maya 2018 uses Qt 5.6")
endif()
message(STATUS "Maya's Qt: ${_maya_qt_version}, headers ${MAYA_QT_INCLUDE_DIR}, moc ${MAYA_QT_MOC_EXECUTABLE}")

# What AUTOMOC reads to pick moc for Qt 5.
set(Qt5Core_VERSION_MAJOR 5)
set(Qt5Core_VERSION_MINOR 6)
set(Qt5_VERSION ${_maya_qt_version})
add_executable(Qt5::moc IMPORTED)
set_target_properties(Qt5::moc PROPERTIES IMPORTED_LOCATION "${MAYA_QT_MOC_EXECUTABLE}")

set(_maya_qt_deps_Core "")
set(_maya_qt_deps_Gui Qt5::Core)
set(_maya_qt_deps_Widgets "Qt5::Gui;Qt5::Core")
foreach(module Core Gui Widgets)
  string(TOUPPER ${module} _upper)
  add_library(Qt5::${module} UNKNOWN IMPORTED)
  set_target_properties(Qt5::${module} PROPERTIES
    IMPORTED_LOCATION "${MAYA_QT_${module}_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${MAYA_QT_INCLUDE_DIR};${MAYA_QT_INCLUDE_DIR}/Qt${module}"
    INTERFACE_COMPILE_DEFINITIONS "QT_${_upper}_LIB"
    INTERFACE_LINK_LIBRARIES "${_maya_qt_deps_${module}}")
endforeach()
