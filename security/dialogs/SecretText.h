// Password edits: their text read without leaving copies behind.
#pragma once

#include <windows.h>

#include <string>

// Wipes the characters of a string before it is emptied.
void WipeText(std::wstring& text);

// The edit's text, at most maxChars characters; the read buffer is wiped.
std::wstring ReadSecret(HWND dialog, int id, int maxChars);

// Switches a password edit's masking off (the cleartext entry preference).
void ShowPasswordText(HWND dialog, int id);
