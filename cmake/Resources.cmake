# Resources of the Windows program, and the checks that they are whole.
enable_language(RC)
# One object that the program and the Windows test programs link; windres runs
# the C preprocessor, so the script shares resource.h, Product.h and
# StringTable.def with the code. A failing resource compile fails the build.
add_library(quorrel_resources OBJECT res/Quorrel.rc)
target_include_directories(quorrel_resources PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_SOURCE_DIR})
set(QUORREL_RESOURCE_INPUTS
  res/resource.h res/Product.h res/StringTable.def res/Quorrel.manifest res/Quorrel.ico
  res/HeaderGlyph.bmp res/MissingIcon.bmp res/About.bmp res/Toolbar.bmp res/ToolbarDisabled.bmp)
list(TRANSFORM QUORREL_RESOURCE_INPUTS PREPEND ${CMAKE_SOURCE_DIR}/)
set_source_files_properties(res/Quorrel.rc PROPERTIES OBJECT_DEPENDS "${QUORREL_RESOURCE_INPUTS}")

add_executable(resource_tests tests/gui/ResourceTests.cpp)
target_link_libraries(resource_tests PRIVATE quorrel_resources quorrel_warnings comctl32 ${GTEST_TARGETS})
target_include_directories(resource_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(resource_tests PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
# The category icons lie beside the test program, as in a data folder.
add_custom_command(TARGET resource_tests POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/res/icons $<TARGET_FILE_DIR:resource_tests>/icons)
# Dialogs need a display: Xvfb when there is none.
add_test(NAME resource_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
         $<TARGET_FILE:resource_tests>)
set_tests_properties(resource_tests PROPERTIES RESOURCE_LOCK gui)

# The pictures in res/ are generated; they must match their script.
find_program(QUORREL_PYTHON3 python3)
if(QUORREL_PYTHON3)
  add_test(NAME pictures_match_script COMMAND ${QUORREL_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/make_pictures.py --check)
endif()

# The same checks at 150 % and 200 %: in Wine prefixes of their own whose
# display resolution is set (QUORREL_DPI, tools/wine-prefix.sh), every
# template's texts must fit as well.
foreach(dpi 144 192)
  add_test(NAME resource_tests_${dpi} COMMAND ${CMAKE_COMMAND} -E env QUORREL_DPI=${dpi}
           ${CMAKE_SOURCE_DIR}/tools/with-display.sh ${CMAKE_SOURCE_DIR}/tools/wine-run.sh
           ${CMAKE_BINARY_DIR}/wineprefix-${dpi} $<TARGET_FILE:resource_tests>)
  set_tests_properties(resource_tests_${dpi} PROPERTIES RESOURCE_LOCK gui)
endforeach()
