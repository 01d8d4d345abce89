#include "model/win32/DataFolder.h"

#include "model/Database.h"
#include "model/win32/DefaultIcons.h"
#include "res/resource.h"

#include <shlobj.h>

#include <cwchar>

HBITMAP DefaultIconBitmap = nullptr;

namespace {

// Appends text to a fixed-size path; false (and the path unchanged) when the
// result would not fit, since a cut path could name another file.
bool AppendBounded(wchar_t* path, const wchar_t* text) {
    if (wcslen(path) + wcslen(text) >= CDataFolder::kPathUnits) return false;
    wcscat(path, text);
    return true;
}

}  // namespace

void CutAfterLastBackslash(wchar_t* path) {
    for (size_t i = wcslen(path); i > 1; --i) {
        if (path[i - 1] == L'\\') {
            path[i] = 0;
            return;
        }
    }
}

void IconNameFromFileName(const wchar_t* fileName, wchar_t* name, int maxChars) {
    lstrcpynW(name, fileName, maxChars + 1);
    for (size_t i = wcslen(name); i > 1; --i) {
        if (name[i - 1] == L'.') {
            name[i - 1] = 0;
            return;
        }
    }
}

CIcon::CIcon(const wchar_t* folder, const wchar_t* fileName) {
    wchar_t path[CDataFolder::kPathUnits * 2];
    lstrcpynW(path, folder, CDataFolder::kPathUnits);
    wcsncat(path, fileName, CDataFolder::kPathUnits);
    bitmap = static_cast<HBITMAP>(LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    IconNameFromFileName(fileName, name, 35);
}

CIcon::~CIcon() {
    if (bitmap) DeleteObject(bitmap);
}

int CIconList::Compare(const CDListNode* a, const CDListNode* b) const {
    if (!a || !b) return -1;
    const auto* x = static_cast<const CIcon*>(a);
    const auto* y = static_cast<const CIcon*>(b);
    if (y->name[0] == 0) return -1;
    return lstrcmpiW(x->name, y->name);
}

CDataFolder::CDataFolder(HINSTANCE resources, const wchar_t* folderOverride) {
    GetModuleFileNameW(nullptr, programFolder, kPathUnits);
    programFolder[kPathUnits - 1] = 0;
    CutAfterLastBackslash(programFolder);

    bool fits = true;
    if (folderOverride) {
        fits = wcslen(folderOverride) < kPathUnits;
        if (fits) wcscpy(folder, folderOverride);
    } else {
        SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder);
        fits = AppendBounded(folder, L"\\Quorrel");
    }
    if (fits && folder[0] && folder[wcslen(folder) - 1] != L'\\') fits = AppendBounded(folder, L"\\");
    if (fits && GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(folder, nullptr);

    // Without a whole path there is no database path: opening it then fails
    // and the start-up says so, instead of using a file the cut path names.
    wcscpy(databasePath, folder);
    if (!fits || !AppendBounded(databasePath, reinterpret_cast<const wchar_t*>(kDatabaseFileName))) databasePath[0] = 0;

    DefaultIconBitmap = LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_MISSING_ICON));

    if (fits) CopyMissingDefaultIcons(programFolder, folder);
    wchar_t pattern[kPathUnits];
    wcscpy(pattern, folder);
    if (!fits || !AppendBounded(pattern, L"icon_*.bmp")) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            AddIcon(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
}

CDataFolder::~CDataFolder() {
    if (DefaultIconBitmap) DeleteObject(DefaultIconBitmap);
    DefaultIconBitmap = nullptr;
}

void CDataFolder::AddIcon(const wchar_t* fileName) {
    auto* icon = new CIcon(folder, fileName);
    if (!icons.InsertSorted(icon, false)) delete icon;
}

CIcon* FindIcon(const CIconList& icons, const wchar_t* name) {
    for (CIcon* icon : Nodes<CIcon>(icons)) {
        if (lstrcmpiW(icon->name, name) == 0) return icon;
    }
    return nullptr;
}

HBITMAP GetIconBitmap(const CIcon* icon, bool useDefault) {
    if (icon && icon->bitmap) return icon->bitmap;
    return useDefault ? DefaultIconBitmap : nullptr;
}
