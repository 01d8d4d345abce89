// A library named like the help viewer's, for tests: being loaded leaves a
// marker file beside it (its own path with ".loaded" added), so a test sees
// whether the program picked up a library that was planted beside it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8];
    DWORD units = GetModuleFileNameW(self, path, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return TRUE;
    lstrcatW(path, L".loaded");
    HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
