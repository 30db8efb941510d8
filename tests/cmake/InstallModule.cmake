# cmake -DBUILD_DIR=<build folder> -DPREFIX=<empty or scratch folder> -P InstallModule.cmake
# Installs the build's Maya module into a fresh PREFIX, as a user would with `cmake --install`.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD_DIR} --prefix ${PREFIX} failed")
endif()
