// The executable's load configuration: the libraries it imports are looked
// for in the system folder only, never in the program's own folder, where a
// ZIP copy may have been unpacked beside planted files. Windows reads it
// before any of the program's code runs, so it is constant data.
//
// GNU ld does not fill the load configuration entry of the PE header from
// this symbol as Microsoft's linker does; tools/set-load-config.py does that
// after the link (see cmake/Hardening.cmake).
#include <windows.h>

#include <cstddef>

namespace {

// Newer headers name the field DependentLoadFlags; these call it Reserved1.
static_assert(offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1) == 78, "DependentLoadFlags lies at offset 78");

constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 SystemFolderOnly() {
    IMAGE_LOAD_CONFIG_DIRECTORY64 config{};
    config.Size = sizeof config;
    config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return config;
}

}  // namespace

extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used;
constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = SystemFolderOnly();
