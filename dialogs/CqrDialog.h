// The base of every modal dialog: runs a template, routes its messages to
// small virtual handlers, centres it over its owner, and names the help topic
// of the innermost open dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The help topic of the innermost dialog object alive; null when none is, or
// when that dialog has no topic.
extern const wchar_t* CurrentHelpTopic;

class CqrDialog {
public:
    explicit CqrDialog(const wchar_t* helpTopic);
    CqrDialog(const CqrDialog&) = delete;
    CqrDialog& operator=(const CqrDialog&) = delete;
    virtual ~CqrDialog();

    // The value given to EndDialog, or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal(HINSTANCE module, WORD templateId, HWND owner);
    virtual void KeepRectInWorkArea(RECT& rect);
    virtual bool CentreWindow();

    virtual INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Non-zero when handled; otherwise OK and Cancel end the dialog.
    virtual int OnCommand(HWND window, int id);
    virtual int OnSelChange(HWND window, HWND control, int id);
    virtual int OnFocusChange(HWND window, int gained, HWND control, int id);
    virtual void OnPaint(HWND window, HDC dc);
    virtual int OnDrawItem(int id, DRAWITEMSTRUCT* item);
    virtual int OnMeasureItem(int id, MEASUREITEMSTRUCT* item);
    virtual int OnNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnOtherMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // A font this dialog keeps until it is destroyed (MakeControlBold).
    void KeepFont(HFONT font) { fonts.push_back(font); }

    HWND hwnd = nullptr;
    HWND parent = nullptr;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool hasTopic;
    std::wstring helpTopic;
    const wchar_t* previousHelpTopic;
    std::vector<HFONT> fonts;
};

// The work area of the screen (without the task bar).
RECT WorkArea();
