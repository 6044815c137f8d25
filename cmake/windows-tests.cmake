# GoogleTest for the Windows build: Debian ships it only for the host, so its sources
# are built here with the cross compiler; its CMake project names its targets
# GTest::gtest and GTest::gtest_main, as find_package(GTest) would.
set(KELMAR_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${KELMAR_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(target gtest gtest_main)
    # Their code is not ours to hold to our warning level.
    target_compile_options(${target} PRIVATE -w)
endforeach()
include(GoogleTest)

# Listing a test program's tests means starting it under Wine, which can take longer than
# the five seconds allowed by default on a busy machine; and it is done when the tests
# run rather than after every link.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
function(gtest_discover_tests target)
    _gtest_discover_tests(${target} ${ARGN} DISCOVERY_TIMEOUT 120)
endfunction()

# The scripted tests (crash, endurance, installer, same answers) start the .exe through
# the same Wine wrapper and prefix as ctest does.
set(KELMAR_WINE_RUNNER ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
set(KELMAR_WINE_ENVIRONMENT KELMAR_WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix)
