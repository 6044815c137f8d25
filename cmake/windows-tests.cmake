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
