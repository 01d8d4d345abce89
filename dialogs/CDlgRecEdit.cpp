#include "dialogs/CDlgRecEdit.h"

#include "dialogs/framework/CWindow.h"
#include "dialogs/framework/Messages.h"
#include "dialogs/framework/Mnemonic.h"
#include "model/Category.h"
#include "model/Database.h"
#include "model/Record.h"
#include "model/base/StringTable.h"
#include "platform/Platform.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/Cipher.h"
#include "security/dialogs/CdlgPwdGenerate.h"
#include "security/dialogs/Session.h"
#include "storage/CxFile.h"
#include "storage/Settings.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// The seven edits in value order: fields 1 to 6, then the note.
constexpr int kEdits[CRecord::kValueCount] = {IDC_FIELD1, IDC_FIELD2, IDC_FIELD3, IDC_FIELD4,
                                              IDC_FIELD5, IDC_FIELD6, IDC_NOTE};
constexpr int kLabels[6] = {IDC_FIELD1_LABEL, IDC_FIELD2_LABEL, IDC_FIELD3_LABEL,
                            IDC_FIELD4_LABEL, IDC_FIELD5_LABEL, IDC_FIELD6_LABEL};
constexpr int kFieldLimit = 64;
constexpr int kNoteLimit = 256;

int LimitOf(int index) { return index == CRecord::kNoteIndex ? kNoteLimit : kFieldLimit; }

bool IsValueEdit(int id) {
    for (int edit : kEdits) {
        if (edit == id) return true;
    }
    return false;
}

// The seven texts of the edits, each cut to its limit (a text set from
// outside may be longer than the edit lets the user type); wiped at the end,
// since protected values pass through here in clear.
class EditTexts {
public:
    explicit EditTexts(HWND dialog) {
        for (int i = 0; i < CRecord::kValueCount; ++i) {
            wchar_t buffer[kNoteLimit + 1];
            int n = GetDlgItemTextW(dialog, kEdits[i], buffer, LimitOf(i) + 1);
            texts[i].assign(buffer, n > 0 ? static_cast<size_t>(n) : 0);
            platform::Wipe(buffer, sizeof buffer);
            values[i] = U(texts[i].c_str());
        }
    }
    EditTexts(const EditTexts&) = delete;
    EditTexts& operator=(const EditTexts&) = delete;
    ~EditTexts() {
        for (std::wstring& text : texts) platform::Wipe(text.data(), text.size() * sizeof(wchar_t));
    }

    const char16_t* values[CRecord::kValueCount] = {};

private:
    std::wstring texts[CRecord::kValueCount];
};

bool HasAnyText(HWND dialog) {
    for (int id : kEdits) {
        if (GetWindowTextLengthW(GetDlgItem(dialog, id)) > 0) return true;
    }
    return false;
}

}  // namespace

CDlgRecEdit::CDlgRecEdit(CDatabase& open, Session& running, int defaultCategory, CRecord* edited)
    : CqrDialog(IDD_RECORD_EDIT, L"Records.html"),
      record(edited),
      database(open),
      session(running),
      defaultCategoryId(defaultCategory) {
    closesOnLock = true;
    hiddenFromCapture = true;
    secretControls.assign(std::begin(kEdits), std::end(kEdits));
}

bool CDlgRecEdit::OnInitDialog() {
    SetWindowTextW(hwnd, CResString(record ? IDS_EDIT_RECORD : IDS_NEW_RECORD).Text());
    for (int i = 0; i < CRecord::kValueCount; ++i) {
        SendDlgItemMessageW(hwnd, kEdits[i], EM_LIMITTEXT, static_cast<WPARAM>(LimitOf(i)), 0);
        SubclassControl(GetDlgItem(hwnd, kEdits[i]), &CDlgRecEdit::ValueEditProc, 0, this);
    }
    if (record) {
        CString value;
        for (int i = 0; i < CRecord::kValueCount; ++i) {
            record->GetField(i, value);
            SetDlgItemTextW(hwnd, kEdits[i], W(value.c_str()));
        }
    }
    // The category of an existing record is not changed here.
    FillCategoryCombo(record == nullptr);
    EnableWindow(GetDlgItem(hwnd, IDC_GENERATE), FALSE);
    // Typing starts in the first field, for a new record and an edited one
    // (whose title it then replaces, as when tabbing into a field).
    SetFocus(GetDlgItem(hwnd, IDC_FIELD1));
    SendDlgItemMessageW(hwnd, IDC_FIELD1, EM_SETSEL, 0, -1);
    return false;
}

void CDlgRecEdit::FillCategoryCombo(bool enable) {
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int wanted = record ? record->categoryId : defaultCategoryId;
    CCategory* matched = nullptr;
    for (CCategory* category : Nodes<CCategory>(database.categories)) {
        LRESULT item = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(category->name)));
        if (item >= 0)
            SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(category));
        if (!matched && category->id == wanted) matched = category;
    }
    // The box sorts its entries, so an entry's place is known only at the end.
    LRESULT selection = 0;
    if (matched) {
        auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == reinterpret_cast<LRESULT>(matched))
                selection = i;
        }
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    UpdateFieldLabels();
    EnableWindow(combo, enable ? TRUE : FALSE);
}

CCategory* CDlgRecEdit::SelectedCategory() const {
    HWND combo = GetDlgItem(hwnd, IDC_CATEGORY);
    LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) return nullptr;
    LRESULT data = SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selection), 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<CCategory*>(data);
}

void CDlgRecEdit::UpdateFieldLabels() {
    CCategory* category = SelectedCategory();
    if (!category) return;
    // Each label's mnemonic reaches its edit; the template's own keys stay theirs.
    std::wstring taken;
    for (int id : {IDC_CATEGORY_LABEL, IDC_NOTE_LABEL, IDC_GENERATE}) {
        wchar_t text[64] = {};
        GetDlgItemTextW(hwnd, id, text, 64);
        if (wchar_t key = MnemonicOf(text)) taken += key;
    }
    for (int i = 0; i < 6; ++i) {
        std::wstring label = W(category->fieldLabel[i]);
        // An empty label stays empty rather than showing a lone colon.
        if (!label.empty()) label = WithMnemonic(label + L":", taken);
        SetDlgItemTextW(hwnd, kLabels[i], label.c_str());
    }
}

bool CDlgRecEdit::OnCommand(int id, int code) {
    if (id == IDC_CATEGORY && code == CBN_SELCHANGE) {
        UpdateFieldLabels();
        return true;
    }
    if (IsValueEdit(id) && (code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
        OnValueFocus(GetDlgItem(hwnd, id), code == EN_SETFOCUS);
        return true;
    }
    if (id == IDC_GENERATE && code == BN_CLICKED) {
        InsertGeneratedPassword();
        return true;
    }
    return false;
}

// Generate works on the value edit that had the focus last, at its selection.
void CDlgRecEdit::OnValueFocus(HWND edit, bool gained) {
    HWND button = GetDlgItem(hwnd, IDC_GENERATE);
    if (gained) {
        generateTarget = edit;
        EnableWindow(button, TRUE);
        return;
    }
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    generateSelStart = start;
    generateSelEnd = end;
    // Going to the button keeps the target: the button is about to use it.
    if (GetFocus() != button) {
        generateTarget = nullptr;
        EnableWindow(button, FALSE);
    }
}

void CDlgRecEdit::InsertGeneratedPassword() {
    CdlgPwdGenerate generator;
    bool accepted = generator.Run(hwnd) == IDOK;
    if (!generateTarget || EndedByLock()) return;
    SetFocus(generateTarget);
    SendMessageW(generateTarget, EM_SETSEL, generateSelStart, generateSelEnd);
    if (accepted) {
        SendMessageW(generateTarget, EM_REPLACESEL, TRUE,
                     reinterpret_cast<LPARAM>(W(generator.generatedPassword.c_str())));
    }
}

LRESULT CALLBACK CDlgRecEdit::ValueEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR owner) {
    switch (message) {
        case WM_NCDESTROY: RemoveWindowSubclass(edit, &CDlgRecEdit::ValueEditProc, id); break;
        // Ctrl+C, Ctrl+Insert and the edit's own menu all end here.
        case WM_COPY: reinterpret_cast<CDlgRecEdit*>(owner)->CopySelection(edit, false); return 0;
        case WM_CUT: reinterpret_cast<CDlgRecEdit*>(owner)->CopySelection(edit, true); return 0;
        default: break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void CDlgRecEdit::CopySelection(HWND edit, bool cut) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (end <= start) return;
    wchar_t text[kNoteLimit + 1];
    int length = GetWindowTextW(edit, text, kNoteLimit + 1);
    if (static_cast<int>(end) <= length) {
        text[end] = 0;
        if (session.CopySecret(hwnd, text + start) && cut)
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
    }
    platform::Wipe(text, sizeof text);
}

bool CDlgRecEdit::Apply() {
    if (!HasAnyText(hwnd)) {
        if (ShowMessage(hwnd, IDS_EMPTY_RECORD_CAPTION, IDS_CONFIRM_EMPTY_RECORD, kQuestionBox) != IDYES) return false;
    }
    // The lock may have ended the dialog while the question was open: a
    // record being edited then is not saved.
    if (EndedByLock()) return false;
    return record ? SaveEdited() : SaveNew();
}

bool CDlgRecEdit::SaveEdited() {
    EditTexts texts(hwnd);
    // Protected values need the key of the master password.
    if (!record->SetFields(texts.values)) {
        if (!session.Unlock(hwnd, IDS_UNLOCK_TO_EDIT) || !record->SetFields(texts.values)) return false;
    }
    if (!record->Save(database.file, true)) {
        // The file still holds the record as it was; so does the list again.
        std::vector<unsigned char> stored;
        if (database.file.Find(record->fileKey) && database.file.ReadEntry(stored))
            record->Decode(stored.data(), static_cast<int32_t>(stored.size()));
        ShowWriteFailure(hwnd, database);
        return false;  // the dialog stays, with the user's texts
    }
    return true;
}

bool CDlgRecEdit::SaveNew() {
    EditTexts texts(hwnd);
    CCategory* category = SelectedCategory();
    if (!category) return true;  // no categories at all: nothing to create
    bool protect = category->isProtected && HasPassword();
    if (protect && theSettings->locked && !session.Unlock(hwnd, IDS_UNLOCK_TO_ADD)) return false;
    auto created = std::make_unique<CRecord>();
    created->categoryId = category->id;
    created->isEnciphered = protect;
    if (!created->SetFields(texts.values)) return false;
    if (!created->Save(database.file, false)) {
        ShowWriteFailure(hwnd, database);
        return false;  // the dialog stays, with the user's texts
    }
    record = created.release();
    database.records.Append(record);
    return true;
}
