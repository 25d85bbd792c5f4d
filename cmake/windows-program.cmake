# build/win32/uninstall.exe: a GUI-subsystem program that runs on a clean
# Windows. It links no C runtime, so it imports system DLLs only; no link
# timestamp is written, so two builds of one commit are identical.
enable_language(RC)

set(WINDOWS_PROGRAM_C_STRINGS ${CMAKE_CURRENT_LIST_DIR}/../src/platform/c_strings.c)
set(WINDOWS_PROGRAM_CHECK_OBJECTS ${CMAKE_CURRENT_LIST_DIR}/check-objects)

# windows_program(TARGET [OBJECTS LIBRARY...]) builds the executable TARGET,
# with the object libraries it takes its objects from, as a Windows program
# without the C runtime: it starts at its own ProgramStart, which ends the
# process with ExitProcess, and gets the few C string functions it calls
# from c_strings.c.
function(windows_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" OBJECTS)
  set(objects $<TARGET_OBJECTS:${target}>)
  foreach(library IN LISTS arg_OBJECTS)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${library}>)
    list(APPEND objects $<TARGET_OBJECTS:${library}>)
  endforeach()
  # Neither exceptions nor run-time type information nor unwind tables: the
  # program needs none of them; the first two would bring in the C++ runtime.
  # Optimized whole at link time, so the small calls of the platform layer
  # cost no call of their own; the objects keep their code too, for the
  # check of their sections below. Data is aligned only as the ABI asks: the
  # strings need no padding to 32 bytes. So is the stack: 32-bit Windows
  # keeps it to 4 bytes, nothing here asks more, and keeping it to 16 costs
  # code in every function that would realign it.
  foreach(part IN ITEMS ${target} ${arg_OBJECTS})
    target_compile_options(${part} PRIVATE
      $<$<COMPILE_LANGUAGE:C,CXX>:${UNINSTALL_WARNINGS} -Os -fno-asynchronous-unwind-tables
                                  -ffunction-sections -fdata-sections -flto -ffat-lto-objects -malign-data=abi
                                  -mpreferred-stack-boundary=2>
      $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  endforeach()
  # Built so that the compiler cannot turn the loops of c_strings.c into calls
  # of the very functions they implement, and left out of the optimization at
  # link time, which could do the same.
  target_sources(${target} PRIVATE ${WINDOWS_PROGRAM_C_STRINGS})
  set_source_files_properties(${WINDOWS_PROGRAM_C_STRINGS} PROPERTIES
    COMPILE_OPTIONS "-ffreestanding;-fno-builtin;-fno-tree-loop-distribute-patterns;-fno-lto")
  # libgcc stays: a frame over 4 KiB calls its stack probe. ASLR and DEP are
  # on; ASLR keeps the relocations in .reloc.
  target_link_options(${target} PRIVATE -Os -flto -nostdlib -s -Wl,-e,_ProgramStart -Wl,--gc-sections
    -Wl,--no-insert-timestamp -Wl,--dynamicbase -Wl,--nxcompat)
  target_link_libraries(${target} PRIVATE kernel32 advapi32 gcc)
  add_custom_command(TARGET ${target} PRE_LINK
    COMMAND bash ${WINDOWS_PROGRAM_CHECK_OBJECTS} ${CMAKE_OBJDUMP} ${objects}
    COMMAND_EXPAND_LISTS VERBATIM)
endfunction()

add_executable(uninstall WIN32
  src/entry/program_start.cpp
  src/platform/windows_platform.cpp
  res/uninstall.rc
)
windows_program(uninstall OBJECTS uninstall_core)
# A forwarding call that loses its "::" calls itself for ever.
set_source_files_properties(src/platform/windows_platform.cpp PROPERTIES
  COMPILE_OPTIONS -Werror=infinite-recursion)
set(compact_manifest ${CMAKE_BINARY_DIR}/res/uninstall-compact.manifest)
add_custom_command(OUTPUT ${compact_manifest}
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/res/uninstall.manifest -DTARGET=${compact_manifest}
          -P ${CMAKE_CURRENT_LIST_DIR}/compact-manifest.cmake
  DEPENDS res/uninstall.manifest ${CMAKE_CURRENT_LIST_DIR}/compact-manifest.cmake VERBATIM)
target_include_directories(uninstall PRIVATE src res ${CMAKE_BINARY_DIR}/res)
set_source_files_properties(res/uninstall.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/uninstall.ico;${compact_manifest}")
set_target_properties(uninstall PROPERTIES OUTPUT_NAME uninstall)
