# The Windows suites: GoogleTest built from Debian's sources with the cross
# compiler, one test program per bitness, run under Wine by the toolchain's
# emulator. Tests are listed by the program itself at run time (no discovery
# at build time, which would start Wine on every build).
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not held to our warning flags.
target_compile_options(gtest PRIVATE -Wno-error)
target_compile_options(gtest_main PRIVATE -Wno-error)

add_executable(tovrel_windows_tests
  windows/notice_driver.cpp
  windows/abi_test.cpp
  windows/entry_points_test.cpp
  windows/notice_window_test.cpp
  windows/module_life_test.cpp
  windows/load_cycles_test.cpp)
target_include_directories(tovrel_windows_tests PRIVATE windows ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tovrel_windows_tests PRIVATE tovrel_host_support tovrel_core gtest_main
  version)
tovrel_static_runtime(tovrel_windows_tests)
# Beside the DLL and plugin-host.exe, where the tests look for them.
set_target_properties(tovrel_windows_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(tovrel_windows_tests tovrel_plugin plugin-host)
add_test(NAME windows_suite COMMAND tovrel_windows_tests)
