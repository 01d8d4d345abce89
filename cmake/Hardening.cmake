# The Windows build is the shipped one: stack protector and fortified string
# and memory functions (MinGW-w64 brings libssp for both), debug information
# for the separate debug files, and ASLR with a high-entropy base and DEP,
# which the linker sets by default but which must never silently go away.
set(compiling_code $<COMPILE_LANGUAGE:C,CXX>)
add_compile_options($<${compiling_code}:-fstack-protector-strong> $<${compiling_code}:-g>
                    $<$<AND:${compiling_code},$<NOT:$<CONFIG:Debug>>>:-D_FORTIFY_SOURCE=2>)
add_link_options(-fstack-protector-strong -Wl,--dynamicbase,--high-entropy-va,--nxcompat)

# A shipped executable keeps no symbols; they go to <file>.debug beside it,
# which a debugger finds through the debug link. Its load configuration
# (platform/win32/LoadConfig.cpp, a source of the executable itself) makes
# Windows look for the libraries it imports in the system folder only; GNU ld
# leaves the header's entry for it empty, so it is set after the link.
find_program(QUORREL_PYTHON3 python3 REQUIRED)
function(quorrel_finish_shipped_executable target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform/win32/LoadConfig.cpp)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    COMMAND ${QUORREL_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/set-load-config.py ${CMAKE_NM} $<TARGET_FILE:${target}>
      $<TARGET_FILE:${target}>.debug
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
