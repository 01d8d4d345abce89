// The base of every dialog: a dialog class names its template and help topic
// once and is run with Run(owner). The base routes the dialog's messages to
// small virtual handlers, centres it over its owner, names the help topic of
// the innermost open dialog, and keeps the slot through which the inactivity
// lock finds an open record edit dialog.
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

#include <string>
#include <vector>

// The help topic of the innermost dialog object alive; null when none is, or
// when that dialog has no topic.
extern const wchar_t* CurrentHelpTopic;

// The open record edit dialog, which the inactivity lock cancels; null while
// none is open. Only the dialog base writes it.
extern HWND RecordEditDialogHandle;

// Ends the open record edit dialog as cancelled, and first every dialog or
// message box it has open over it, so nothing of the record stays on screen;
// clears the slot.
void CancelRecordEditDialog();

class CqrDialog {
public:
    CqrDialog(WORD templateId, const wchar_t* helpTopic);
    CqrDialog(const CqrDialog&) = delete;
    CqrDialog& operator=(const CqrDialog&) = delete;
    virtual ~CqrDialog();

    // Runs the dialog modally from the program's resources: the value given
    // to EndDialog (IDOK, IDCANCEL, ...), or -1 when it cannot be created.
    INT_PTR Run(HWND owner);
    // Creates the dialog modeless and shows it; null when it cannot be created.
    HWND Open(HWND owner);

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
    void KeepFont(HFONT font) { fonts.emplace_back(font); }

    HWND hwnd = nullptr;
    HWND parent = nullptr;

protected:
    // Set by the record edit dialog: while it is open, RecordEditDialogHandle
    // names it, so that the inactivity lock can cancel it.
    bool cancelledByLock = false;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();

    WORD templateId;
    bool hasTopic;
    std::wstring helpTopic;
    const wchar_t* previousHelpTopic;
    std::vector<Font> fonts;
};

// The work area of the screen (without the task bar).
RECT WorkArea();
