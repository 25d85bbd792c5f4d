# build/win32/uninstall.exe: a GUI-subsystem program that runs on a clean
# Windows. Everything is linked statically, so it imports system DLLs only;
# no link timestamp is written, so two builds of one commit are identical.
enable_language(RC)

add_executable(uninstall WIN32
  src/entry/winmain.cpp
  src/platform/windows_platform.cpp
  res/uninstall.rc
  $<TARGET_OBJECTS:uninstall_core>
)
target_include_directories(uninstall PRIVATE src res)
set_source_files_properties(res/uninstall.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/res/uninstall.ico;${CMAKE_SOURCE_DIR}/res/uninstall.manifest")
target_compile_options(uninstall PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:${UNINSTALL_WARNINGS}>)
# The program needs neither exceptions nor run-time type information, and
# leaving their support out keeps the C++ runtime out of the executable.
target_compile_options(uninstall_core PRIVATE -fno-exceptions -fno-rtti -ffunction-sections)
target_compile_options(uninstall PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -ffunction-sections>)
target_link_options(uninstall PRIVATE
  -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
set_target_properties(uninstall PROPERTIES OUTPUT_NAME uninstall)
