# Builds the MSI with wixl.
#
#   cmake -DWIXL=<wixl> -DSOURCE=<.wxs> -DVERSION=<a.b.c.d> -DRES_DIR=<res/, relative>
#         -DOUTPUT=<.msi> -P BuildMsi.cmake      (run in the folder of the built files)
#
# wixl exits 0 when it cannot write its output and only warns about elements
# it does not implement; either fails the build here, so a package that lacks
# something the source asks for never ships.

foreach(var WIXL SOURCE VERSION RES_DIR OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BuildMsi.cmake: ${var} is not set")
  endif()
endforeach()

get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND "${WIXL}" --arch x64 --define "Version=${VERSION}" --define "ResDir=${RES_DIR}" --output "${OUTPUT}" "${SOURCE}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
string(REGEX MATCHALL "(WARNING|CRITICAL|unimplemented|rror)[^\n]*" problems "${out}${err}")
if(NOT result EQUAL 0 OR problems OR NOT EXISTS "${OUTPUT}")
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "wixl failed to build ${OUTPUT} (exit ${result}):\n${out}${err}")
endif()
