# The tests of the Win32 runtime (serial component, message loop, timer, code page 949), run
# under Wine by tests/win/run-runtime-tests.
add_executable(runtime_tests
  ${CMAKE_CURRENT_LIST_DIR}/runtime_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime_codec_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime_loop_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime_serial_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runtime_timer_test.cpp)
target_link_libraries(runtime_tests PRIVATE velko_win32 velko_wintest)
