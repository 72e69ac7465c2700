# vq_add_test(NAME <name> SOURCES <files...> [LIBRARIES <libs...>])
# One executable, registered with CTest as one test: a Wine process start costs about
# a second, so the Windows build runs each executable once rather than once per case.
# Integration tests find the Linux UPS server simulator through VQ_SIMULATOR; the
# Windows build runs the one from the native build, which proves Winsock against Linux.
if(CMAKE_CROSSCOMPILING)
  set(VQ_NATIVE_TOOLS_DIR "" CACHE PATH "tools/ folder of the native build (the Linux simulator)")
  set(VQ_TEST_SIMULATOR "${VQ_NATIVE_TOOLS_DIR}/ups_simulator")
  set(VQ_TEST_LABEL wine)
else()
  set(VQ_TEST_SIMULATOR "${CMAKE_BINARY_DIR}/tools/ups_simulator")
  set(VQ_TEST_LABEL native)
endif()

function(vq_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE vq_core vq_test_support GTest::gtest_main GTest::gmock ${ARG_LIBRARIES})
  add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} --gtest_color=no)
  set_tests_properties(${ARG_NAME} PROPERTIES
    LABELS ${VQ_TEST_LABEL}
    TIMEOUT 300
    ENVIRONMENT "VQ_SIMULATOR=${VQ_TEST_SIMULATOR}")
endfunction()
