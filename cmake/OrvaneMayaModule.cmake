# The Maya module that `cmake --install <build> --prefix <folder>` lays out; the user adds <folder> to
# MAYA_MODULE_PATH and runs `loadPlugin workspaceControlCmd`:
#
#   <folder>/OrvaneMocap.mod                                   one line per platform, Maya 2018 only
#   <folder>/OrvaneMocap/2018/<platform>/plug-ins/workspaceControlCmd.mll|.so|.bundle
#   <folder>/OrvaneMocap/2018/win64/bin/OrvanePluginSDK.dll    on PATH through the .mod file
#   <folder>/OrvaneMocap/2018/<platform>/lib/libOrvanePluginSDK.so|.dylib   found through the plug-in's rpath
#
# <platform> is win64, linux or mac, as Maya names them; installing the builds of several platforms into one
# folder makes one package for all of them. The SDK's library stays out of plug-ins/, where Maya would list
# it as a plug-in.

set(ORVANE_MODULE_NAME OrvaneMocap)
set(ORVANE_MAYA_YEAR 2018)
if(WIN32)
  set(_module_platform win64)
elseif(APPLE)
  set(_module_platform mac)
else()
  set(_module_platform linux)
endif()
set(_module_dir ${ORVANE_MODULE_NAME}/${ORVANE_MAYA_YEAR}/${_module_platform})

configure_file(${CMAKE_CURRENT_LIST_DIR}/OrvaneMaya.mod.in ${CMAKE_BINARY_DIR}/${ORVANE_MODULE_NAME}.mod @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ORVANE_MODULE_NAME}.mod DESTINATION .)

if(APPLE)
  set_target_properties(orvane_plugin PROPERTIES INSTALL_RPATH "@loader_path/../lib")
elseif(UNIX)
  set_target_properties(orvane_plugin PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
endif()
install(TARGETS orvane_plugin LIBRARY DESTINATION ${_module_dir}/plug-ins)

get_target_property(_sdk_imported OrvanePluginSDK IMPORTED)
if(_sdk_imported)
  if(WIN32)
    install(FILES ${OrvanePluginSDK_RUNTIME} DESTINATION ${_module_dir}/bin)
  else()
    # The library with its versioned names, whichever of them its soname is.
    get_filename_component(_sdk_lib_dir "${OrvanePluginSDK_RUNTIME}" DIRECTORY)
    get_filename_component(_sdk_lib_name "${OrvanePluginSDK_RUNTIME}" NAME)
    file(GLOB _sdk_files "${_sdk_lib_dir}/${_sdk_lib_name}*")
    install(FILES ${_sdk_files} DESTINATION ${_module_dir}/lib)
  endif()
else()
  install(TARGETS OrvanePluginSDK LIBRARY DESTINATION ${_module_dir}/lib RUNTIME DESTINATION ${_module_dir}/bin)
endif()
