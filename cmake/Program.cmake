# The Windows program: its window code as a library (so that tests can create
# the windows in their own process) and Quorrel.exe with the resources.
add_library(quorrel_app STATIC
  app/Application.cpp
  app/StartUp.cpp
  app/MainWindow.cpp
  app/Commands.cpp
  app/MainToolbar.cpp
  app/SearchBox.cpp
  app/RecordCommands.cpp
  app/CategoryCommands.cpp
  app/ActivityLock.cpp
  app/SecretClipboard.cpp
  app/SessionLock.cpp
  app/Help.cpp
  app/WindowPlacement.cpp
  dialogs/framework/CqrDialog.cpp
  dialogs/framework/Messages.cpp
  dialogs/framework/Drawing.cpp
  dialogs/framework/Display.cpp
  dialogs/CdlgAbout.cpp
  dialogs/CdlgGetStarted.cpp
  dialogs/CdlgStartUpNotices.cpp
  dialogs/CDlgRecEdit.cpp
  dialogs/CdlgProgress.cpp
  app/ExchangeCommands.cpp
  dialogs/CdlgCategorySelect.cpp
  dialogs/CDlgCatEdit.cpp
  dialogs/CDlgConfig.cpp
  dialogs/ColourButton.cpp
  dialogs/ColourPickPalette.cpp
  dialogs/CdlgColourPickCustom.cpp
  security/dialogs/CdlgPassword.cpp
  security/dialogs/CdlgChgPassword.cpp
  security/dialogs/CdlgPwdWarn.cpp
  security/dialogs/CdlgPwdGenerate.cpp
  security/dialogs/SecretText.cpp
  views/CRecList.cpp
  views/CRecView.cpp
  views/RowIcons.cpp
  views/CopyMenu.cpp
  views/CSplitter.cpp
  dialogs/framework/CWindow.cpp
  model/win32/DataFolder.cpp
  model/win32/DefaultIcons.cpp
)
target_link_libraries(quorrel_app PUBLIC quorrel_core quorrel_layout comctl32 comdlg32 gdi32 user32 shell32 advapi32)

add_executable(Quorrel WIN32 app/Main.cpp)
target_link_libraries(Quorrel PRIVATE quorrel_app quorrel_resources)
target_link_options(Quorrel PRIVATE -municode)
quorrel_finish_shipped_executable(Quorrel)

# The default category icons lie beside the program, as the installer puts
# them; the program copies them into the data folder at start-up.
file(GLOB QUORREL_ICON_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/icons/icon_*.bmp)
set(QUORREL_PROGRAM_ICONS)
foreach(icon ${QUORREL_ICON_FILES})
  get_filename_component(name ${icon} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${icon} ${CMAKE_BINARY_DIR}/${name}
    DEPENDS ${icon} VERBATIM)
  list(APPEND QUORREL_PROGRAM_ICONS ${CMAKE_BINARY_DIR}/${name})
endforeach()
add_custom_target(program_icons ALL DEPENDS ${QUORREL_PROGRAM_ICONS})
add_dependencies(Quorrel program_icons)

# ---- end-to-end tests under Wine -------------------------------------------------
add_executable(gui_tests tests/gui/Driver.cpp tests/gui/TestDatabase.cpp tests/gui/ProgramFixture.cpp
  tests/gui/ProgramTests.cpp
  tests/gui/PlantedLibraryTests.cpp tests/gui/ImportExportTests.cpp tests/gui/RecordTests.cpp tests/gui/SecretsInUseTests.cpp
  tests/gui/CategoryAndPreferenceTests.cpp tests/gui/SearchTests.cpp)
target_link_libraries(gui_tests PRIVATE quorrel_core psapi ${GTEST_TARGETS})
# Libraries named like ones the program loads, planted in a folder where the
# tests put a copy of the program beside them: the help viewer's, and two that
# are no KnownDLLs.
foreach(planted hhctrl.ocx bcrypt.dll WTSAPI32.dll)
  string(REGEX REPLACE "\\..*" "" name ${planted})
  string(REGEX REPLACE ".*\\." "." suffix ${planted})
  add_library(planted_${name} SHARED tests/gui/PlantedLibrary.cpp)
  set_target_properties(planted_${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name} SUFFIX ${suffix}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/planted/lib)
  target_link_libraries(planted_${name} PRIVATE quorrel_warnings)
  target_compile_definitions(planted_${name} PRIVATE UNICODE _UNICODE)
  # Without the stack protector, whose set-up would load rsaenh (and with it
  # bcrypt) from inside this library's own start.
  target_compile_options(planted_${name} PRIVATE -fno-stack-protector)
  target_link_options(planted_${name} PRIVATE -static)
  if(NOT suffix STREQUAL ".ocx")
    target_compile_definitions(planted_${name} PRIVATE PLANTED_AS_IMPORT)
  endif()
  add_dependencies(gui_tests planted_${name})
endforeach()
add_dependencies(gui_tests Quorrel quorrel-cli)
# Run with the program's own display and prefix, one GUI test at a time.
add_test(NAME gui_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
         $<TARGET_FILE:gui_tests>)
set_tests_properties(gui_tests PROPERTIES RESOURCE_LOCK gui TIMEOUT 900)

# The main window made inside the test's own process, where its menu can be read.
add_executable(window_tests tests/gui/WindowTests.cpp tests/gui/SecretsInUseWindowTests.cpp tests/gui/TestDatabase.cpp
  tests/gui/InProcessWindow.cpp tests/gui/SearchWindowTests.cpp tests/gui/KeyboardWindowTests.cpp
  tests/gui/DisplayWindowTests.cpp
  tests/gui/ProgressWindowTests.cpp)
target_link_libraries(window_tests PRIVATE quorrel_app quorrel_resources ${GTEST_TARGETS})
add_test(NAME window_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
         $<TARGET_FILE:window_tests>)
set_tests_properties(window_tests PROPERTIES RESOURCE_LOCK gui TIMEOUT 300)
# The display tests again at 150 % and 200 % (Wine prefixes of their own, see
# tools/wine-prefix.sh).
foreach(dpi 144 192)
  add_test(NAME window_tests_${dpi} COMMAND ${CMAKE_COMMAND} -E env QUORREL_DPI=${dpi}
           ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_SOURCE_DIR}/tools/wine-run.sh
           ${CMAKE_BINARY_DIR}/wineprefix-${dpi} $<TARGET_FILE:window_tests> --gtest_filter=DisplayTest.*)
  set_tests_properties(window_tests_${dpi} PROPERTIES RESOURCE_LOCK gui TIMEOUT 300)
endforeach()

# Tools run by hand: pictures of every window, and the benchmarks of start-up,
# import and export, the protection switch and a new record among 10,000.
add_executable(screenshot_tour tests/gui/ScreenshotTour.cpp tests/gui/ScreenPicture.cpp tests/gui/Driver.cpp
  tests/gui/TestDatabase.cpp)
add_executable(startup_bench tests/gui/StartupBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(exchange_bench tests/gui/ExchangeBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(protection_bench tests/gui/ProtectionSwitchBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(new_record_bench tests/gui/NewRecordBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(search_bench tests/gui/SearchBench.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
add_executable(secret_scan tests/gui/SecretScan.cpp tests/gui/Driver.cpp tests/gui/TestDatabase.cpp)
foreach(tool screenshot_tour startup_bench exchange_bench protection_bench new_record_bench search_bench secret_scan)
  target_link_libraries(${tool} PRIVATE quorrel_core)
  target_link_options(${tool} PRIVATE -municode)
  add_dependencies(${tool} Quorrel)
endforeach()
# The main window with high contrast on, made in the tool's own process
# (Wine cannot report high contrast to the program itself).
add_executable(contrast_screenshot tests/gui/ContrastScreenshot.cpp tests/gui/ScreenPicture.cpp
  tests/gui/InProcessWindow.cpp tests/gui/TestDatabase.cpp)
target_link_libraries(contrast_screenshot PRIVATE quorrel_app quorrel_resources)
target_link_options(contrast_screenshot PRIVATE -municode)
