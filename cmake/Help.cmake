# Quorrel.chm lies beside Quorrel.exe. A page that fails to compile, or links
# to a page or anchor that does not exist, fails the build (cmake/CompileHelp.cmake).
find_program(CHMCMD chmcmd REQUIRED)
find_program(PYTHON3 python3 REQUIRED)
file(GLOB QUORREL_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Quorrel.chm
  COMMAND ${CMAKE_COMMAND} -DCHMCMD=${CHMCMD} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}/help
    -DWORK_DIR=${CMAKE_BINARY_DIR}/chm -DOUTPUT=${CMAKE_BINARY_DIR}/Quorrel.chm
    -P ${CMAKE_SOURCE_DIR}/cmake/CompileHelp.cmake
  DEPENDS ${QUORREL_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/CompileHelp.cmake
  COMMENT "Compiling the help file Quorrel.chm"
  VERBATIM)
add_custom_target(help_chm ALL DEPENDS ${CMAKE_BINARY_DIR}/Quorrel.chm)
add_test(NAME help_file COMMAND ${PYTHON3} ${CMAKE_SOURCE_DIR}/tests/help/check_chm.py
  ${CMAKE_BINARY_DIR}/Quorrel.chm)
