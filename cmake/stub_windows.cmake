# Windows build: the installer stub (GUI, PE32 or PE32+), built small: no C++
# runtime pieces that allocate or throw, dead sections dropped, symbols stripped.
# The size and import gate runs as a test of this build.
enable_language(RC)
file(GLOB PELLMOR_WINDOWS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/windows/*.cpp)

set(PELLMOR_STUB_CXX_FLAGS -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fdata-sections -fno-stack-protector -Wall -Wextra -Wno-unused-parameter
    -Wno-cast-function-type)
# No C runtime start-up: the image begins at StubEntry (src/platform/windows/entry.cpp),
# which runs the installer and ends with ExitProcess. That saves about 11 KiB of the
# budget. msvcrt stays linked for the memcpy/memset calls GCC emits; libgcc gives
# the stack probe and 64-bit division helpers on i686.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(PELLMOR_STUB_ENTRY _StubEntry)
else()
  set(PELLMOR_STUB_ENTRY StubEntry)
endif()
set(PELLMOR_STUB_LINK_FLAGS -Wl,--gc-sections -s -mwindows -nostartfiles -nostdlib
    -Wl,-e,${PELLMOR_STUB_ENTRY} -Wl,--enable-stdcall-fixup)

# One stub per manifest: asInvoker for ordinary packages, requireAdministrator
# for packages whose header demands administrator rights.
function(pellmor_stub name manifest_rc)
  add_executable(${name} WIN32 ${PELLMOR_STUB_SOURCES} ${PELLMOR_WINDOWS_SOURCES}
                 ${CMAKE_SOURCE_DIR}/resources/stub.rc ${manifest_rc})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/resources)
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${PELLMOR_STUB_CXX_FLAGS}>)
  target_link_options(${name} PRIVATE ${PELLMOR_STUB_LINK_FLAGS})
  target_link_libraries(${name} PRIVATE kernel32 user32 advapi32 msvcrt gcc)
endfunction()

pellmor_stub(pellmor-stub ${CMAKE_SOURCE_DIR}/resources/manifest_invoker.rc)
pellmor_stub(pellmor-stub-admin ${CMAKE_SOURCE_DIR}/resources/manifest_admin.rc)

enable_testing()
foreach(stub pellmor-stub pellmor-stub-admin)
  add_test(NAME ${stub}_size_and_imports
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gate/check_stub.sh $<TARGET_FILE:${stub}>
                   ${PELLMOR_OBJDUMP} ${PELLMOR_STUB_LIMIT})
endforeach()

if(EXISTS ${CMAKE_SOURCE_DIR}/cmake/windows_extra.cmake)
  include(${CMAKE_SOURCE_DIR}/cmake/windows_extra.cmake)
endif()
