// The base of every dialog. A dialog class names its template and help topic
// once, is built right before its run and destroyed right after it, and is
// run with Run(owner). The base centres it over its owner, names the help
// topic of the innermost open dialog, and routes the dialog's messages to the
// small typed handlers below.
//
// One contract for what a dialog gives back: Run answers IDOK once OK was
// accepted, else IDCANCEL. A dialog that changes the database does so in
// Apply, with the database it was given, and stays open when Apply refuses
// (the user's texts kept, the reason shown); a dialog that only asks
// something keeps the answer in members that its caller reads after IDOK.
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

#include <string>
#include <vector>

// The help topic of the innermost dialog object alive; null when none is, or
// when that dialog has no topic.
extern const wchar_t* CurrentHelpTopic;

class CqrDialog {
public:
    CqrDialog(WORD templateId, const wchar_t* helpTopic);
    CqrDialog(const CqrDialog&) = delete;
    CqrDialog& operator=(const CqrDialog&) = delete;
    virtual ~CqrDialog();

    // Runs the dialog modally from the program's resources: IDOK or IDCANCEL
    // (or what a dialog gave EndDialog itself), -1 when it cannot be created.
    INT_PTR Run(HWND owner);
    // Creates the dialog modeless and shows it; null when it cannot be created.
    HWND Open(HWND owner);

    // Ends, as cancelled, every open dialog that closes when the data locks,
    // and first whatever dialogs or message boxes it has open over it, so
    // nothing of a record stays on screen.
    static void CancelDialogsThatCloseOnLock();
    // Whether such a dialog is open.
    static bool AnyOpenThatClosesOnLock();

    HWND hwnd = nullptr;

protected:
    // The handlers; each answers true when it handled its message.
    // OnInitDialog answers false when it has set the focus itself.
    virtual bool OnInitDialog() { return true; }
    // Every WM_COMMAND: the control or menu id and its notification code
    // (BN_CLICKED, CBN_SELCHANGE, EN_SETFOCUS, ...). A click on OK or Cancel
    // that is not handled runs Apply (for OK) and ends the dialog.
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // OK was pressed: stores what the dialog changes; false keeps it open.
    virtual bool Apply() { return true; }
    virtual void OnPaint(HDC /*dc*/) {}
    virtual bool OnDrawItem(int /*id*/, const DRAWITEMSTRUCT& /*item*/) { return false; }
    virtual bool OnMeasureItem(int /*id*/, MEASUREITEMSTRUCT& /*item*/) { return false; }
    // Any other message, answered as a dialog procedure answers it (0 when not handled).
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

    // Moves a rectangle (keeping its size) into the work area of the screen.
    static void KeepRectInWorkArea(RECT& rect);
    // Gives a control a bold variant of its font, kept until the dialog goes.
    void MakeControlBold(int id);
    // Ends the dialog with a result.
    void End(INT_PTR result) { EndDialog(hwnd, result); }

    // Set in the constructor by a dialog that shows or edits protected
    // values: a lock then cancels it (CancelDialogsThatCloseOnLock).
    bool closesOnLock = false;
    // Set in the constructor by a dialog that shows a secret: screen capture
    // and recording leave it out, where the system can.
    bool hiddenFromCapture = false;
    // Controls that may hold a secret: their text is overwritten where it
    // lies before they are destroyed, however the dialog ends.
    std::vector<int> secretControls;
    // The lock ended this dialog while one of its questions was open: what
    // the question was about must not be done.
    bool EndedByLock() const { return endedByLock; }

    HWND owner = nullptr;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleCommand(int id, int code);
    void Attach(HWND window);
    void Detach();
    void CentreOverOwner();

    WORD templateId;
    bool hasTopic;
    std::wstring helpTopic;
    const wchar_t* previousHelpTopic;
    std::vector<Font> fonts;
    bool endedByLock = false;
};

// The work area of the screen (without the task bar).
RECT WorkArea();

// Overwrites a control's text in place, then empties it, so that its buffer
// keeps nothing of a secret when it is freed.
void WipeControlText(HWND control);
