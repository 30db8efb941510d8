# Shared settings for the project's targets.

if(ORVANE_SANITIZER)
  add_compile_options(-fsanitize=${ORVANE_SANITIZER} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${ORVANE_SANITIZER})
endif()

function(orvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  endif()
endfunction()

# The product (plugin/ stream/ panel/ scene/) builds as C++14, the language of the Maya 2018 devkit, with
# every warning on; ORVANE_WERROR (CI) makes them errors and adds -pedantic. Maya's and Qt's headers come
# through imported targets as system headers in a real-devkit build, so only our own code is judged.
function(orvane_product_target target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 14 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3 $<$<BOOL:${ORVANE_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${ORVANE_WERROR}>:-pedantic -Werror>)
  endif()
  # GCC's unique symbols (statics of inline functions, Qt's meta-type ids among them) mark a shared object
  # as never unloadable, so dlclose would leave the plug-in mapped: unloadPlugin could not really unload it,
  # nor loadPlugin pick up a rebuilt one, and our unload faults would hide on Linux.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fno-gnu-unique)
  endif()
endfunction()

# One GoogleTest executable per test folder, registered with CTest test by test. LABELS tags every test of
# the executable: "threads" marks those that run threads of their own or meet the SDK's, the refresh or a
# worker thread (CI runs them under ThreadSanitizer: ctest -L threads).
if(BUILD_TESTING)
  include(GoogleTest)
  find_package(GTest REQUIRED)
endif()
function(orvane_test_executable target)
  cmake_parse_arguments(ARG "" "" "LABELS" ${ARGN})
  add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  orvane_warnings(${target})
  set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()

# A Maya plug-in module: named after the plug-in without the "lib" prefix, with Maya's suffix per platform,
# and on Windows the two entry points exported under their plain names too, as Maya's own plug-in builds do.
function(orvane_maya_plugin target)
  set_target_properties(${target} PROPERTIES PREFIX "")
  if(WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ".mll")
    if(MSVC)
      target_link_options(${target} PRIVATE /export:initializePlugin /export:uninitializePlugin)
    endif()
  elseif(APPLE)
    set_target_properties(${target} PROPERTIES SUFFIX ".bundle")
  else()
    set_target_properties(${target} PROPERTIES SUFFIX ".so")
  endif()
endfunction()
