// Texts from the string table, and message boxes whose caption and text come
// from it, centred over their owner.
#pragma once

#include <windows.h>

#include <string>

class CDatabase;

// A string loaded from the string table (at most 254 characters).
class CResString {
public:
    CResString() = default;
    explicit CResString(UINT id) { Load(id); }
    void Load(UINT id);
    const wchar_t* Text() const { return text.c_str(); }
    int Length() const { return static_cast<int>(text.size()); }

private:
    std::wstring text;
};

// The text's format takes the arguments after the flags (wsprintf style).
int ShowMessage(HWND owner, UINT captionId, UINT textId, UINT flags, ...);
// The same for texts that carry paths: formatted up to 1024 characters.
int ShowLongMessage(HWND owner, UINT captionId, UINT textId, UINT flags, ...);

// A change to the database could not be written: names the file and the
// system's reason. Every write failure the user sees is told this way.
void ShowWriteFailure(HWND owner, const CDatabase& database);

// Flags the program's message boxes use.
inline constexpr UINT kErrorBox = MB_ICONERROR;                   // refusals and errors, OK
inline constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;  // confirmations; act on IDYES
