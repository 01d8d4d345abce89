// Where the program's files are: the per-user data folder with the database
// and the category icon bitmaps, and the program's own folder (for help).
#pragma once

#include "model/base/DList.h"

#include <windows.h>

// A category icon: a bitmap file "icon_*.bmp" of the data folder.
class CIcon : public CDListNode {
public:
    CIcon(const wchar_t* folder, const wchar_t* fileName);
    ~CIcon() override;

    wchar_t name[36] = {};
    HBITMAP bitmap = nullptr;  // null when the file cannot be loaded
};

class CIconList : public CDList {
public:
    int Compare(const CDListNode* a, const CDListNode* b) const override;
    CIcon* First() const { return static_cast<CIcon*>(head); }
};

// The shared picture for an icon whose file could not be loaded.
extern HBITMAP DefaultIconBitmap;

class CDataFolder {
public:
    static constexpr int kPathUnits = 260;

    // The user's application-data folder; a test may name another folder.
    // The missing-icon picture comes from the resource module.
    explicit CDataFolder(HINSTANCE resources, const wchar_t* folderOverride = nullptr);
    CDataFolder(const CDataFolder&) = delete;
    CDataFolder& operator=(const CDataFolder&) = delete;
    ~CDataFolder();

    void AddIcon(const wchar_t* fileName);

    wchar_t databasePath[kPathUnits] = {};
    wchar_t folder[kPathUnits] = {};
    wchar_t programFolder[kPathUnits] = {};
    CIconList icons;
};

CIcon* FindIcon(const CIconList& icons, const wchar_t* name);
// The icon's bitmap, else DefaultIconBitmap when useDefault; not to be deleted.
HBITMAP GetIconBitmap(const CIcon* icon, bool useDefault);

// The text up to and including the last backslash (not looking at the first
// character); the whole text when there is none.
void CutAfterLastBackslash(wchar_t* path);
// The file name without its extension (the last "." not at the start).
void IconNameFromFileName(const wchar_t* fileName, wchar_t* name, int maxChars);
