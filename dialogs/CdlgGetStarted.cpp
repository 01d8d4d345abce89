#include "dialogs/CdlgGetStarted.h"

#include "dialogs/framework/Drawing.h"
#include "res/resource.h"

CdlgGetStarted::CdlgGetStarted() : CqrDialog(IDD_GET_STARTED, nullptr) {}

bool CdlgGetStarted::OnInitDialog() {
    questionIcon = LoadIconW(nullptr, IDI_QUESTION);
    return true;
}

void CdlgGetStarted::OnPaint(HDC dc) { DrawIconAtControl(hwnd, dc, IDC_GET_STARTED_ICON, questionIcon); }
