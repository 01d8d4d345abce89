// The progress of a long import or export: how many records are done of how
// many, in a small window over the disabled main window, with the wait
// cursor. The operation runs on this thread and calls Step after each record;
// the window appears only once the operation has taken half a second, and
// while it runs every window of the program repaints.
#pragma once

#include "dialogs/framework/CqrDialog.h"

#include <cstdint>

class CdlgProgress : public CqrDialog {
public:
    // captionId: the window's caption; textId: a format taking done and total.
    // With canCancel the Cancel button stops the operation; otherwise it is
    // greyed, for an operation that Cancel could not undo whole.
    CdlgProgress(HWND owner, UINT captionId, UINT textId, bool canCancel);
    ~CdlgProgress() override;

    // After each record; false once the user has chosen Cancel.
    bool Step(int32_t done, int32_t total);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Show();
    void ShowCount(int32_t done, int32_t total);
    void LetWindowsRepaint();
    void Close();

    HWND ownerWindow;
    UINT captionId;
    UINT textId;
    bool canCancel;
    bool cancelled = false;
    bool ownerDisabled = false;
    ULONGLONG started;
    ULONGLONG lastUpdate = 0;
    HCURSOR previousCursor;
};
