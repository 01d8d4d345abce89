#include "dialogs/CdlgGetStarted.h"

#include "app/Application.h"
#include "app/Help.h"
#include "dialogs/framework/Drawing.h"
#include "res/resource.h"

CdlgGetStarted::CdlgGetStarted() : CqrDialog(IDD_GET_STARTED, nullptr) {}

bool GreetNewUser(HWND owner) {
    {
        CdlgGetStarted greeting;
        if (greeting.Run(owner) == IDCANCEL) return false;
    }
    ShowHelp(nullptr);
    return true;
}

INT_PTR CdlgGetStarted::OnInitDialog(HWND, UINT, WPARAM, LPARAM) {
    questionIcon = LoadIconW(nullptr, IDI_QUESTION);
    return 1;
}

void CdlgGetStarted::OnPaint(HWND window, HDC dc) { DrawIconAtControl(window, dc, IDC_GET_STARTED_ICON, questionIcon); }
