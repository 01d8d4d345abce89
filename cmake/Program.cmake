# The Windows program: its window code as a library (so that tests can create
# the windows in their own process) and Quorrel.exe with the resources.
add_library(quorrel_app STATIC
  app/Application.cpp
  app/StartUp.cpp
  app/MainWindow.cpp
  app/Commands.cpp
  app/ActivityLock.cpp
  app/Help.cpp
  app/WindowPlacement.cpp
  dialogs/CqrDialog.cpp
  dialogs/Messages.cpp
  dialogs/Drawing.cpp
  dialogs/CdlgAbout.cpp
  dialogs/CdlgGetStarted.cpp
  dialogs/CdlgStartUpNotices.cpp
  dialogs/CdlgCategorySelect.cpp
  dialogs/CDlgCatEdit.cpp
  dialogs/ManageCategories.cpp
  dialogs/CDlgConfig.cpp
  dialogs/ColourButton.cpp
  dialogs/ColourPickPalette.cpp
  dialogs/CdlgColourPickCustom.cpp
  security/CdlgPassword.cpp
  security/CdlgChgPassword.cpp
  security/CdlgPwdWarn.cpp
  security/SecretText.cpp
  views/CRecList.cpp
  views/CRecView.cpp
  views/CSplitter.cpp
  views/CWindow.cpp
  model/DataFolder.cpp
)
target_link_libraries(quorrel_app PUBLIC quorrel_core quorrel_layout comctl32 comdlg32 gdi32 user32 shell32 advapi32)

add_executable(Quorrel WIN32 app/Main.cpp)
target_link_libraries(Quorrel PRIVATE quorrel_app quorrel_resources)
target_link_options(Quorrel PRIVATE -municode)

# ---- end-to-end tests under Wine -------------------------------------------------
# Wine shows the host's root as drive Z:.
string(REPLACE "/" "\\\\" QUORREL_ICON_FOLDER_NATIVE "Z:${CMAKE_SOURCE_DIR}/res/icons")
configure_file(tests/gui/TestPaths.h.in ${CMAKE_BINARY_DIR}/generated/tests/gui/TestPaths.h)

add_executable(gui_tests tests/gui/Driver.cpp tests/gui/TestDatabase.cpp tests/gui/ProgramTests.cpp
  tests/gui/CategoryAndPreferenceTests.cpp)
target_include_directories(gui_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(gui_tests PRIVATE quorrel_core ${GTEST_TARGETS})
add_dependencies(gui_tests Quorrel)
# Run with the program's own display and prefix, one GUI test at a time.
add_test(NAME gui_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
         $<TARGET_FILE:gui_tests>)
set_tests_properties(gui_tests PROPERTIES RESOURCE_LOCK gui TIMEOUT 900)

# The main window made inside the test's own process, where its menu can be read.
add_executable(window_tests tests/gui/WindowTests.cpp tests/gui/TestDatabase.cpp)
target_link_libraries(window_tests PRIVATE quorrel_app quorrel_resources ${GTEST_TARGETS})
add_test(NAME window_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
         $<TARGET_FILE:window_tests>)
set_tests_properties(window_tests PROPERTIES RESOURCE_LOCK gui TIMEOUT 300)

# Tools run by hand: pictures of every window, the start-up benchmark and the
# protection-switch benchmark.
add_executable(screenshot_tour tests/gui/ScreenshotTour.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(startup_bench tests/gui/StartupBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(protection_bench tests/gui/ProtectionSwitchBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
foreach(tool screenshot_tour startup_bench protection_bench)
  target_include_directories(${tool} PRIVATE ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${tool} PRIVATE quorrel_core)
  target_link_options(${tool} PRIVATE -municode)
  add_dependencies(${tool} Quorrel)
endforeach()
