// What the windows and dialogs of the program may ask of the running program
// about the locked data and the secrets it shows. The main window answers;
// a dialog or view is given it when it is made.
#pragma once

#include <windows.h>

class Session {
public:
    // The one way to unlock: asks for the master password while the data is
    // locked (promptId 0 shows no prompt text) and, once it is right,
    // restarts the inactivity timer and shows every view unlocked. True when
    // the data is unlocked now, or there is nothing to unlock.
    virtual bool Unlock(HWND owner, int promptId) = 0;
    // Puts a secret on the clipboard the safe way: marked so that history,
    // cloud and monitors leave it alone, and cleared after a few seconds, at
    // lock and at exit. False (the user told why) when it could not be placed.
    virtual bool CopySecret(HWND owner, const wchar_t* text) = 0;

protected:
    ~Session() = default;
};
