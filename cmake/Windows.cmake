# Kelbrook.exe, its Win32 adapters and the tests that run under Wine.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(win32_definitions UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00 WINVER=0x0A00 _WIN32_IE=0x0A00)
if(NOT MSVC)
  set(static_runtime -static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
  add_compile_options(-ffunction-sections -fdata-sections)
endif()

# The Windows API, precompiled once for the Windows tests and the end-to-end driver. Only it:
# with <string> (and so GoogleTest) in a precompiled header, mingw-w64's g++ 12 no longer
# treats the inlined wmemcpy of its <wchar.h> as system code and reports it (-Warray-bounds,
# -Wstringop-overread) in every test that builds a short std::wstring.
set(windows_pch <windows.h>)

add_library(kelbrook_win32 STATIC
  src/app/win32/MainWindow.cpp
  src/app/win32/MainWindowLayout.cpp
  src/core/win32/Dispatch.cpp
  src/core/win32/Win32Clipboard.cpp
  src/core/win32/Win32Clock.cpp
  src/core/win32/MessageBoxDialogs.cpp
  src/core/win32/RegistrySettingsStore.cpp
  src/core/win32/Win32Files.cpp
  src/core/win32/Win32Platform.cpp
  src/core/win32/Win32Support.cpp
  src/core/win32/CallAnswers.cpp
  src/backup/win32/ComPublisherAutomation.cpp
  src/backup/win32/ComPageObjects.cpp
  src/backup/win32/ComStoryObjects.cpp
  src/backup/win32/UserPublisherWatch.cpp
  src/backup/win32/CopyCreation.cpp
  src/backup/win32/ShellFolderPicker.cpp
  src/tray/win32/mSysTray.cpp
  src/tray/win32/Win32TrayMenu.cpp
  src/recovery/win32/Win32BackupFolders.cpp
  src/recovery/win32/BackupsWindow.cpp
  src/recovery/win32/BackupsWindowLayout.cpp
  src/recovery/win32/BackupsWindowRows.cpp
  src/startup/win32/RegistryRunKey.cpp
  src/support/win32/SeededRandomSource.cpp
)
target_compile_definitions(kelbrook_win32 PUBLIC ${win32_definitions})
target_link_libraries(kelbrook_win32 PUBLIC kelbrook_logic
  comctl32 uxtheme shell32 ole32 oleaut32 uuid user32 gdi32 advapi32 shlwapi)
target_compile_definitions(kelbrook_logic PUBLIC ${win32_definitions})

add_executable(Kelbrook WIN32
  src/app/win32/WinMain.cpp
  src/app/win32/Kelbrook.rc
)
# The version resource and the manifest's assembly version take their numbers from
# project(... VERSION ...) through the generated Version.h and Kelbrook.exe.manifest.
configure_file(src/app/win32/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h @ONLY)
configure_file(src/app/win32/Kelbrook.exe.manifest.in
  ${CMAKE_BINARY_DIR}/generated/Kelbrook.exe.manifest @ONLY)
target_include_directories(Kelbrook PRIVATE ${CMAKE_BINARY_DIR}/generated)
# windres reports no header dependencies: a new version must still rebuild the resources.
set_source_files_properties(src/app/win32/Kelbrook.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/generated/Version.h;${CMAKE_BINARY_DIR}/generated/Kelbrook.exe.manifest")
target_link_libraries(Kelbrook PRIVATE kelbrook_win32)
if(NOT MSVC)
  target_link_options(Kelbrook PRIVATE -municode ${static_runtime} -s)
endif()

# The Windows tests run under Wine and mostly wait: optimising them buys nothing and takes
# most of the build's time. Kelbrook.exe and the libraries the tests exercise keep the build
# type's flags. (A target that reuses another's precompiled header must take these too.)
if(MSVC)
  set(kelbrook_test_options /Od)
else()
  set(kelbrook_test_options -O0)
endif()

# GoogleTest for the Windows tests, from Debian's sources, built with this toolchain.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own sources do not build cleanly with every warning an error on mingw.
  target_compile_options(gtest PRIVATE -Wno-error ${kelbrook_test_options})
else()
  # Elsewhere (Visual Studio with vcpkg, for example) an installed GoogleTest serves.
  find_package(GTest REQUIRED)
  add_library(gtest INTERFACE)
  target_link_libraries(gtest INTERFACE GTest::gtest)
endif()

add_subdirectory(tests/win32)
option(KELBROOK_E2E "Build the end-to-end tests" ON)
if(KELBROOK_E2E)
  add_subdirectory(tests/e2e)
endif()
add_subdirectory(bench)
