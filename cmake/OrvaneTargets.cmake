# Shared settings for the project's targets.

if(ORVANE_SANITIZER)
  add_compile_options(-fsanitize=${ORVANE_SANITIZER} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${ORVANE_SANITIZER})
endif()

function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# The product (plugin/ stream/ panel/ scene/) builds as C++14, the language of the Maya 2018 devkit.
function(orvane_product_target target)
  set_target_properties(${target} PROPERTIES CXX_STANDARD 14 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
  orvane_warnings(${target})
endfunction()

# One GoogleTest executable per test folder, registered with CTest test by test.
include(GoogleTest)
find_package(GTest REQUIRED)
function(orvane_test_executable target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main Threads::Threads)
  orvane_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
