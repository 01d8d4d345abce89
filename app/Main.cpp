#include "app/Application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Libraries loaded by name come from the system folder only, never from
    // the program's folder or the current directory.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return RunQuorrel(instance, showCommand);
}
