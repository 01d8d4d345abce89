# The Windows build is the shipped one: stack protector and fortified string
# and memory functions (MinGW-w64 brings libssp for both), debug information
# for the separate debug files, and ASLR with a high-entropy base and DEP,
# which the linker sets by default but which must never silently go away.
set(compiling_code $<COMPILE_LANGUAGE:C,CXX>)
add_compile_options($<${compiling_code}:-fstack-protector-strong> $<${compiling_code}:-g>
                    $<$<AND:${compiling_code},$<NOT:$<CONFIG:Debug>>>:-D_FORTIFY_SOURCE=2>)
add_link_options(-fstack-protector-strong -Wl,--dynamicbase,--high-entropy-va,--nxcompat)

# A shipped executable keeps no symbols; they go to <file>.debug beside it,
# which a debugger finds through the debug link.
function(quorrel_strip_into_debug_file target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
