#include "security/dialogs/CdlgPwdGenerate.h"

#include "dialogs/framework/Drawing.h"
#include "dialogs/framework/Messages.h"
#include "model/base/StringTable.h"
#include "platform/Wide.h"
#include "res/resource.h"
#include "security/PasswordGenerator.h"

#include <commctrl.h>

#include <utility>

namespace {

bool Checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

}  // namespace

CdlgPwdGenerate::CdlgPwdGenerate() : CqrDialog(IDD_GENERATE_PASSWORD, L"Passwords.html#Quorrel_GeneratePassword") {}

INT_PTR CdlgPwdGenerate::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
    MakeControlBold(*this, IDC_GENERATED_PASSWORD);
    SendDlgItemMessageW(window, IDC_GENERATED_LENGTH_SPIN, UDM_SETRANGE32, kMinGeneratedLength, kMaxGeneratedLength);
    SendDlgItemMessageW(window, IDC_GENERATED_LENGTH_SPIN, UDM_SETPOS32, 0, kDefaultGeneratedLength);
    // Nothing is remembered from an earlier opening.
    CheckDlgButton(window, IDC_INCLUDE_UPPER, BST_CHECKED);
    CheckDlgButton(window, IDC_INCLUDE_LOWER, BST_CHECKED);
    CheckDlgButton(window, IDC_INCLUDE_DIGITS, BST_CHECKED);
    CheckDlgButton(window, IDC_INCLUDE_PUNCTUATION, BST_UNCHECKED);
    GeneratePassword(generatedPassword, kDefaultGeneratedLength, true, true, true, false);
    Show(window);
    return 1;
}

int CdlgPwdGenerate::OnCommand(HWND window, int id) {
    if (id != IDC_GENERATE_NOW) return 0;
    Generate(window);
    return 1;
}

void CdlgPwdGenerate::Generate(HWND window) {
    bool upper = Checked(window, IDC_INCLUDE_UPPER);
    bool lower = Checked(window, IDC_INCLUDE_LOWER);
    bool digits = Checked(window, IDC_INCLUDE_DIGITS);
    bool punctuation = Checked(window, IDC_INCLUDE_PUNCTUATION);
    auto position = SendDlgItemMessageW(window, IDC_GENERATED_LENGTH_SPIN, UDM_GETPOS32, 0, 0);
    auto length = static_cast<int32_t>(position & 0xFFFF);
    if (int32_t refusal = GeneratorChoiceError(length, upper, lower, digits, punctuation)) {
        ShowMessage(window, IDS_GENERATE_PASSWORD, static_cast<UINT>(refusal), kErrorBox);
        return;
    }
    CString fresh;
    // A failing random source shows nothing new rather than a weak password.
    if (!GeneratePassword(fresh, length, upper, lower, digits, punctuation)) return;
    generatedPassword = std::move(fresh);
    Show(window);
}

void CdlgPwdGenerate::Show(HWND window) {
    SetDlgItemTextW(window, IDC_GENERATED_PASSWORD, W(generatedPassword.c_str()));
}
