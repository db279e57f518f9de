# Windows build, beyond the stubs themselves: the version resource's numbers for
# both stubs, and (x86_64 only, for the end-to-end tests under wine64) the Wine
# robot and the impostor program that poses as RunDll32.exe.

# The stubs' VERSIONINFO carries the project's version: resources/stub.rc
# includes this generated header when PELLMOR_VERSION_HEADER is defined.
set(PELLMOR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${PELLMOR_GENERATED_DIR})
file(WRITE ${PELLMOR_GENERATED_DIR}/pellmor_version.h.new
  "#define PELLMOR_VERSION_MAJOR ${PROJECT_VERSION_MAJOR}\n"
  "#define PELLMOR_VERSION_MINOR ${PROJECT_VERSION_MINOR}\n"
  "#define PELLMOR_VERSION_PATCH ${PROJECT_VERSION_PATCH}\n"
  "#define PELLMOR_VERSION_TEXT \"${PROJECT_VERSION}\"\n")
# Rewritten only when it changes, so the resources are not rebuilt every configure.
file(COPY_FILE ${PELLMOR_GENERATED_DIR}/pellmor_version.h.new ${PELLMOR_GENERATED_DIR}/pellmor_version.h
     ONLY_IF_DIFFERENT)
foreach(stub pellmor-stub pellmor-stub-admin)
  # mingw's GCC puts zero-initialised variables into ".data$name" sections, with
  # file bytes, under -fdata-sections (GCC 12, both targets); without it they go
  # to .bss and cost nothing. Measured: g_Setup alone is 1.5 KiB of zeros then.
  target_compile_options(${stub} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-data-sections>)
  target_include_directories(${stub} PRIVATE ${PELLMOR_GENERATED_DIR})
  target_compile_definitions(${stub} PRIVATE $<$<COMPILE_LANGUAGE:RC>:PELLMOR_VERSION_HEADER>)
endforeach()
# windres reads the icon and the version header while it compiles stub.rc.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/stub.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/resources/pellmor.ico ${PELLMOR_GENERATED_DIR}/pellmor_version.h)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(PELLMOR_TOOL_FLAGS -Os -fno-exceptions -fno-rtti -Wall -Wextra -Wno-unused-parameter)

  # The robot: a console program that finds the installer's dialogs, reads
  # their texts, types, ticks and presses, and prints what it saw.
  add_executable(pellmor-robot ${CMAKE_SOURCE_DIR}/tests/e2e/robot.cpp)
  target_compile_options(pellmor-robot PRIVATE ${PELLMOR_TOOL_FLAGS})
  target_link_options(pellmor-robot PRIVATE -s -static-libgcc -static-libstdc++ -mconsole)
  target_link_libraries(pellmor-robot PRIVATE user32 kernel32)

  # The impostor planted as RunDll32.exe: records that it ran, if it ever does.
  add_executable(pellmor-impostor WIN32 ${CMAKE_SOURCE_DIR}/tests/e2e/impostor.cpp)
  target_compile_options(pellmor-impostor PRIVATE ${PELLMOR_TOOL_FLAGS})
  target_link_options(pellmor-impostor PRIVATE -s -static-libgcc -mwindows)
endif()
