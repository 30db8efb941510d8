# cmake -DSOURCE_DIR=<repository> -P Qt56Api.cmake
# Fails when the product uses Qt API that Maya 2018's Qt 5.6 lacks. The build here uses a newer Qt, which
# accepts these; the list holds the later additions a Qt widget and threading code reaches for first.
set(_newer_api
  "qAsConst" "5.7" "qOverload" "5.7" "QOverload" "5.7" "QDeadlineTimer" "5.8"
  "currentSecsSinceEpoch" "5.8" "fromSecsSinceEpoch" "5.8" "toSecsSinceEpoch" "5.8" "Q_NAMESPACE" "5.8"
  "Q_ENUM_NS" "5.8" "try_lock_for" "5.8" "QOperatingSystemVersion" "5.9" "QStringView" "5.10"
  "QRandomGenerator" "5.10" "QThread::create" "5.10" "screenAt" "5.10" "chopped" "5.10"
  "horizontalAdvance" "5.11" "checkIndex" "5.11" "QScopeGuard" "5.12" "qScopeGuard" "5.12"
  "callOnTimeout" "5.12" "swapItemsAt" "5.13" "QRecursiveMutex" "5.14" "SkipEmptyParts" "5.14"
  "KeepEmptyParts" "5.14" "Qt::endl" "5.14" "textActivated" "5.14" "textHighlighted" "5.14"
  "QBindable" "6.0" "idClicked" "5.15" "idPressed" "5.15" "idReleased" "5.15" "idToggled" "5.15"
  "placeholderText" "5.15" "QMetaType::fromType" "6.0" "checkStateChanged" "6.7" "QAnyStringView" "6.0")

file(GLOB _files ${SOURCE_DIR}/plugin/*.cpp ${SOURCE_DIR}/plugin/*.h ${SOURCE_DIR}/panel/*.cpp ${SOURCE_DIR}/panel/*.h
                  ${SOURCE_DIR}/scene/*.cpp ${SOURCE_DIR}/scene/*.h ${SOURCE_DIR}/stream/*.cpp ${SOURCE_DIR}/stream/*.h)
set(_found "")
foreach(file IN LISTS _files)
  file(STRINGS "${file}" _lines)
  set(_number 0)
  foreach(line IN LISTS _lines)
    math(EXPR _number "${_number} + 1")
    string(REGEX REPLACE "//.*" "" line "${line}")
    set(_api ${_newer_api})
    while(_api)
      list(POP_FRONT _api _name _version)
      string(REPLACE "::" "[ \t]*::[ \t]*" _pattern "${_name}")
      if(line MATCHES "(^|[^A-Za-z0-9_])${_pattern}([^A-Za-z0-9_]|$)")
        file(RELATIVE_PATH _relative "${SOURCE_DIR}" "${file}")
        string(APPEND _found "  ${_relative}:${_number}: ${_name} (Qt ${_version})\n")
      endif()
    endwhile()
  endforeach()
endforeach()
if(_found)
  message(FATAL_ERROR "Qt API newer than Qt 5.6 (Maya 2018):\n${_found}")
endif()
list(LENGTH _files _count)
message(STATUS "Qt 5.6 API: ${_count} product files checked")
