# Compiles the help pages into Quorrel.chm with chmcmd.
#
#   cmake -DCHMCMD=<chmcmd> -DSOURCE_DIR=<help/> -DWORK_DIR=<scratch dir>
#         -DOUTPUT=<.../Quorrel.chm> -P CompileHelp.cmake
#
# chmcmd writes its result beside the project file, so it works on a scratch
# copy of help/ and the result is copied to OUTPUT only when all went well.
# chmcmd exits 0 when a page links to a file that does not exist and only
# prints a warning; any warning fails the build here, so a broken link never
# ships.

foreach(var CHMCMD SOURCE_DIR WORK_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CompileHelp.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE "${OUTPUT}")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(GLOB sources "${SOURCE_DIR}/*")
file(COPY ${sources} DESTINATION "${WORK_DIR}")

execute_process(
  COMMAND "${CHMCMD}" Quorrel.hhp
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)

set(chm "${WORK_DIR}/Quorrel.chm")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "chmcmd failed (exit ${result}):\n${out}${err}")
endif()
# (Semicolons would split the CMake list of matched lines.)
string(REPLACE ";" "," report "${out}${err}")
string(REGEX MATCHALL "(Warning|Error|An unhandled exception)[^\n]*" problems "${report}")
if(problems)
  list(JOIN problems "\n" problems)
  message(FATAL_ERROR "chmcmd reported problems in ${SOURCE_DIR}:\n${problems}")
endif()
file(SIZE "${chm}" size)
if(size EQUAL 0)
  message(FATAL_ERROR "chmcmd wrote an empty ${chm}")
endif()

file(COPY_FILE "${chm}" "${OUTPUT}")
