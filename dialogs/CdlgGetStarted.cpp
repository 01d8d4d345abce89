#include "dialogs/CdlgGetStarted.h"

#include "app/Application.h"
#include "app/Help.h"
#include "dialogs/Drawing.h"
#include "res/resource.h"

CdlgGetStarted::CdlgGetStarted() : CqrDialog(nullptr) {}

bool CdlgGetStarted::Run(HWND owner) {
    if (DoModal(theApp.resources, IDD_GET_STARTED, owner) == IDCANCEL) return false;
    ShowHelp(nullptr);
    return true;
}

INT_PTR CdlgGetStarted::OnInitDialog(HWND, UINT, WPARAM, LPARAM) {
    questionIcon = LoadIconW(nullptr, IDI_QUESTION);
    return 1;
}

void CdlgGetStarted::OnPaint(HWND window, HDC dc) { DrawIconAtControl(window, dc, IDC_GET_STARTED_ICON, questionIcon); }
