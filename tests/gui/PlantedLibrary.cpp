// A library named like one the program loads (the help viewer's, bcrypt.dll,
// WTSAPI32.dll), for tests: being loaded leaves a marker file beside it (its
// own path with ".loaded" added), so a test sees whether the program picked
// up a library that was planted beside it.
//
// Built with PLANTED_AS_IMPORT it stands for a library the program might
// import: it marks only a load with the program's imports at its start, and
// refuses any later one. Wine's own libraries (rsaenh, which the stack
// protector's start-up code loads) take their imports from the program's
// folder under the override the tests set, which Windows does not do for its
// libraries; refused, they load without it and the program runs on, while a
// late load by the program itself fails visibly.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID loadedAtStart) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
#ifdef PLANTED_AS_IMPORT
    if (!loadedAtStart) return FALSE;
#else
    (void)loadedAtStart;
#endif
    wchar_t path[MAX_PATH + 8];
    DWORD units = GetModuleFileNameW(self, path, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return TRUE;
    lstrcatW(path, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
