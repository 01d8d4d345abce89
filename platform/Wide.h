// The core's text is char16_t, the Win32 interface's is wchar_t; on Windows
// both are UTF-16 code units. These are the only casts between them.
#pragma once

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* W(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* U(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* U(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
