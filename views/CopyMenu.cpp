#include "views/CopyMenu.h"

#include "dialogs/framework/Messages.h"
#include "model/Category.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "security/dialogs/Session.h"
#include "storage/Settings.h"
#include "views/ViewLogic.h"

#include <string>

namespace {

bool HasValue(const CRecord& record, int index) {
    if (index == 0) return record.firstFieldLength > 0;
    return index >= 1 && index < CRecord::kValueCount && record.partLength[index - 1] > 0;
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

// "Copy " and the label of value index; a field without a label is named
// by its place.
std::wstring CopyItemText(const CRecord& record, const CCategories& categories, int index) {
    std::wstring label;
    if (index == CRecord::kNoteIndex) {
        label = CResString(IDS_NOTE).Text();
    } else if (const CCategory* category = CategoryOf(record, categories); category && category->fieldLabel[index][0]) {
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

bool CopyRecordValue(HWND owner, const CRecord& record, int index, Session& session) {
    if (!HasValue(record, index)) return false;
    bool locked = theSettings && theSettings->locked;
    if (index > 0 && record.isEnciphered && locked) {
        if (!session.Unlock(owner, IDS_UNLOCK_TO_COPY) || theSettings->locked) return false;
    }
    CString value = record.GetField(index);  // wiped when it goes
    return session.CopySecret(owner, W(value.c_str()));
}

void ShowCopyMenu(HWND owner, const CRecord& record, const CCategories& categories, POINT screen, int defaultIndex,
                  Session& session) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    int items = 0;
    for (int i = 0; i < CRecord::kValueCount; ++i) {
        if (!HasValue(record, i)) continue;
        std::wstring text = MenuEscaped(CopyItemText(record, categories, i));
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
    if (chosen > 0) CopyRecordValue(owner, record, chosen - 1, session);
}
