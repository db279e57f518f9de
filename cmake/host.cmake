# Linux build: the stub's code over the POSIX stand-in, the packer, the tests,
# the fuzz targets (clang, PELLMOR_FUZZ) and the benchmarks.
option(PELLMOR_SKIP_BENCH "Do not build the benchmarks" OFF)
set(PELLMOR_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)

find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

file(GLOB PELLMOR_STANDIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/posix/*.cpp)
add_library(stub_core STATIC ${PELLMOR_STUB_SOURCES} ${PELLMOR_STANDIN_SOURCES})
target_include_directories(stub_core PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(stub_core PRIVATE ${PELLMOR_WARNINGS})

# The package writer library and the pellmor-pack command.
file(GLOB PELLMOR_PACKER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packer/*.cpp)
list(FILTER PELLMOR_PACKER_SOURCES EXCLUDE REGEX ".*/packer/main\\.cpp$")
add_library(packer STATIC ${PELLMOR_PACKER_SOURCES})
target_include_directories(packer PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(packer PUBLIC stub_core PkgConfig::LIBDEFLATE)
target_compile_options(packer PRIVATE ${PELLMOR_WARNINGS})
if(EXISTS ${CMAKE_SOURCE_DIR}/packer/main.cpp)
  add_executable(pellmor-pack ${CMAKE_SOURCE_DIR}/packer/main.cpp)
  target_link_libraries(pellmor-pack PRIVATE packer)
  target_compile_options(pellmor-pack PRIVATE ${PELLMOR_WARNINGS})
  target_compile_definitions(pellmor-pack PRIVATE PELLMOR_VERSION="${PROJECT_VERSION}")
  target_compile_definitions(pellmor-pack PRIVATE PELLMOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()

if(PELLMOR_FUZZ)
  file(GLOB PELLMOR_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
  foreach(src ${PELLMOR_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_support.cpp)
    target_link_libraries(${name} PRIVATE packer)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
  target_compile_options(stub_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_compile_options(packer PRIVATE -fsanitize=address,undefined)
  if(TARGET pellmor-pack)  # links the sanitized packer library
    target_link_options(pellmor-pack PRIVATE -fsanitize=address,undefined)
  endif()
  return()
endif()

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB PELLMOR_TEST_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tests/support/*.cpp
  ${CMAKE_SOURCE_DIR}/tests/startup/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/archive/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/decode/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/crypt/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/installer/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/ui/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/platform/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/packer/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/interop/*_test.cpp)
add_executable(unit_tests ${PELLMOR_TEST_SOURCES})
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(unit_tests PRIVATE packer GTest::gtest GTest::gtest_main ZLIB::ZLIB Threads::Threads)
target_compile_options(unit_tests PRIVATE ${PELLMOR_WARNINGS})
target_compile_definitions(unit_tests PRIVATE PELLMOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

if(TARGET pellmor-pack)
  file(GLOB PELLMOR_CLI_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/packer/*_cli_test.sh)
  foreach(script ${PELLMOR_CLI_TESTS})
    get_filename_component(name ${script} NAME_WE)
    add_test(NAME ${name} COMMAND bash ${script} $<TARGET_FILE:pellmor-pack> ${CMAKE_SOURCE_DIR})
  endforeach()
endif()

if(NOT PELLMOR_SKIP_BENCH)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    file(GLOB PELLMOR_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
    foreach(src ${PELLMOR_BENCH_SOURCES})
      get_filename_component(name ${src} NAME_WE)
      add_executable(${name} ${src})
      target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
      target_link_libraries(${name} PRIVATE packer benchmark::benchmark ZLIB::ZLIB)
    endforeach()
  endif()
endif()
include(${CMAKE_SOURCE_DIR}/cmake/e2e.cmake OPTIONAL)
