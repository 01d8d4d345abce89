#include "security/dialogs/CdlgPwdGenerate.h"

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

CdlgPwdGenerate::CdlgPwdGenerate() : CqrDialog(IDD_GENERATE_PASSWORD, L"Passwords.html#Quorrel_GeneratePassword") {
    hiddenFromCapture = true;
    secretControls = {IDC_GENERATED_PASSWORD};
}

bool CdlgPwdGenerate::OnInitDialog() {
    MakeControlBold(IDC_GENERATED_PASSWORD);
    SendDlgItemMessageW(hwnd, IDC_GENERATED_LENGTH_SPIN, UDM_SETRANGE32, kMinGeneratedLength, kMaxGeneratedLength);
    SendDlgItemMessageW(hwnd, IDC_GENERATED_LENGTH_SPIN, UDM_SETPOS32, 0, kDefaultGeneratedLength);
    // Nothing is remembered from an earlier opening.
    CheckDlgButton(hwnd, IDC_INCLUDE_UPPER, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_INCLUDE_LOWER, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_INCLUDE_DIGITS, BST_CHECKED);
    CheckDlgButton(hwnd, IDC_INCLUDE_PUNCTUATION, BST_UNCHECKED);
    GeneratePassword(generatedPassword, kDefaultGeneratedLength, true, true, true, false);
    Show();
    return true;
}

bool CdlgPwdGenerate::OnCommand(int id, int code) {
    if (id != IDC_GENERATE_NOW || code != BN_CLICKED) return false;
    Generate();
    return true;
}

void CdlgPwdGenerate::Generate() {
    bool upper = Checked(hwnd, IDC_INCLUDE_UPPER);
    bool lower = Checked(hwnd, IDC_INCLUDE_LOWER);
    bool digits = Checked(hwnd, IDC_INCLUDE_DIGITS);
    bool punctuation = Checked(hwnd, IDC_INCLUDE_PUNCTUATION);
    auto position = SendDlgItemMessageW(hwnd, IDC_GENERATED_LENGTH_SPIN, UDM_GETPOS32, 0, 0);
    auto length = static_cast<int32_t>(position & 0xFFFF);
    if (int32_t refusal = GeneratorChoiceError(length, upper, lower, digits, punctuation)) {
        ShowMessage(hwnd, IDS_GENERATE_PASSWORD, static_cast<UINT>(refusal), kErrorBox);
        return;
    }
    CString fresh;
    // A failing random source shows nothing new rather than a weak password.
    if (!GeneratePassword(fresh, length, upper, lower, digits, punctuation)) return;
    generatedPassword = std::move(fresh);
    Show();
}

void CdlgPwdGenerate::Show() { SetDlgItemTextW(hwnd, IDC_GENERATED_PASSWORD, W(generatedPassword.c_str())); }
