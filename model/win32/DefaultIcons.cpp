#include "model/win32/DefaultIcons.h"

#include "model/base/StringTable.h"
#include "platform/Wide.h"

#include <windows.h>

#include <string>

void CopyMissingDefaultIcons(const wchar_t* programFolder, const wchar_t* dataFolder) {
    for (int32_t id = IDS_DEFAULT_ICON_0; id <= IDS_DEFAULT_ICON_11; ++id) {
        std::wstring file = std::wstring(W(LoadText(id))) + L".bmp";
        CopyFileW((programFolder + file).c_str(), (dataFolder + file).c_str(), TRUE);  // TRUE: never overwrite
    }
}
