#include "views/CopyMenu.h"

#include "app/ActivityLock.h"
#include "app/MainWindow.h"
#include "app/SecretClipboard.h"
#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "security/dialogs/PasswordDialogs.h"
#include "storage/Settings.h"
#include "views/CRecList.h"
#include "views/CRecView.h"

#include <string>

namespace {

bool HasValue(const CRecord& record, int index) {
    if (index == 0) return record.firstFieldLength > 0;
    return index >= 1 && index < CRecord::kValueCount && record.partLength[index - 1] > 0;
}

// The first category with the record's id, as the pane finds it.
const CCategory* CategoryOf(const CRecord& record) {
    if (!mainWindow.recordList) return nullptr;
    for (CCategory* category : Nodes<CCategory>(mainWindow.recordList->categories))
        if (category->id == record.categoryId) return category;
    return nullptr;
}

// A menu shows "&" as the mark of the next letter; a label's own stays itself.
std::wstring MenuEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t ch : text) {
        escaped += ch;
        if (ch == L'&') escaped += L'&';
    }
    return escaped;
}

// After the copy prompt unlocked the data, everything shows in clear again
// without moving the selection.
void ShowUnlocked() {
    if (mainWindow.recordList && mainWindow.recordList->hwndList)
        InvalidateRect(mainWindow.recordList->hwndList, nullptr, FALSE);
    if (mainWindow.recordView && mainWindow.recordView->hwnd) SendMessageW(mainWindow.recordView->hwnd, WM_SIZE, 0, 0);
    UpdateLockState();
    RestartLockTimer(mainWindow.hwnd);
}

// "Copy " and the label of value index; a field without a label is named
// by its place.
std::wstring CopyItemText(const CRecord& record, int index) {
    std::wstring label;
    if (index == CRecord::kNoteIndex) {
        label = CResString(IDS_NOTE).Text();
    } else if (const CCategory* category = CategoryOf(record); category && category->fieldLabel[index][0]) {
        label = W(category->fieldLabel[index]);
    } else {
        label = std::wstring(CResString(IDS_FIELD).Text()) + L" " + std::to_wstring(index + 1);
    }
    CResString format(IDS_COPY_VALUE);
    std::wstring text = format.Text();
    size_t at = text.find(L"%s");
    if (at != std::wstring::npos) text.replace(at, 2, label);
    return text;
}

}  // namespace

bool CopyRecordValue(HWND owner, CRecord& record, int index) {
    if (!HasValue(record, index)) return false;
    bool locked = theSettings && theSettings->locked;
    if (index > 0 && record.isEnciphered && locked) {
        if (!AskForPassword(owner, IDS_UNLOCK_TO_COPY, false) || theSettings->locked) return false;
        ShowUnlocked();
    }
    CString value = record.GetField(index);  // wiped when it goes
    return CopySecret(owner, W(value.c_str()));
}

void ShowCopyMenu(HWND owner, CRecord& record, POINT screen, int defaultIndex) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    int items = 0;
    for (int i = 0; i < CRecord::kValueCount; ++i) {
        if (!HasValue(record, i)) continue;
        std::wstring text = MenuEscaped(CopyItemText(record, i));
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(i + 1), text.c_str());
        ++items;
    }
    if (defaultIndex >= 0 && HasValue(record, defaultIndex))
        SetMenuDefaultItem(menu, static_cast<UINT>(defaultIndex + 1), FALSE);
    int chosen = 0;
    if (items > 0) {
        // The owner must be in front, or the menu does not close when the user clicks elsewhere.
        SetForegroundWindow(GetAncestor(owner, GA_ROOT));
        chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, screen.x,
                                                 screen.y, 0, owner, nullptr));
    }
    DestroyMenu(menu);
    if (chosen > 0) CopyRecordValue(owner, record, chosen - 1);
}
