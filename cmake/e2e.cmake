# End-to-end tests under Wine, registered in the host build: the package maker
# for the fixtures, and one ctest test per case of tests/e2e/cases.sh. They need
# the x86_64 build (stub twin, robot, impostor) in PELLMOR_WIN64_DIR; without it,
# or without wine64 or Xvfb, each test reports why and is skipped. Not part of
# sanitizer builds: they would run the same Windows programs again.
set(PELLMOR_WIN64_DIR ${CMAKE_SOURCE_DIR}/build/win64 CACHE PATH
    "x86_64 Windows build holding pellmor-stub.exe, pellmor-robot.exe and pellmor-impostor.exe")

add_executable(make_e2e_package ${CMAKE_SOURCE_DIR}/tests/e2e/make_e2e_package.cpp)
target_link_libraries(make_e2e_package PRIVATE packer)
target_compile_options(make_e2e_package PRIVATE ${PELLMOR_WARNINGS})

if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  return()
endif()

execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/cases.sh --list
                OUTPUT_VARIABLE PELLMOR_E2E_CASES OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "\n" ";" PELLMOR_E2E_CASES "${PELLMOR_E2E_CASES}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/cases.sh)

foreach(case ${PELLMOR_E2E_CASES})
  add_test(NAME e2e_${case} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/cases.sh ${case})
  set_tests_properties(e2e_${case} PROPERTIES
    LABELS e2e
    SKIP_RETURN_CODE 77
    TIMEOUT 240
    ENVIRONMENT "PELLMOR_WIN64_DIR=${PELLMOR_WIN64_DIR};PELLMOR_MAKE_PACKAGE=$<TARGET_FILE:make_e2e_package>;PELLMOR_E2E_OUT=${CMAKE_BINARY_DIR}/e2e")
endforeach()
