// Mnemonics for labels the code writes at run time (a category's field names
// in the record dialog), chosen as one would choose them for a template: the
// label's text shown as it is, one of its letters or digits underlined so
// that Alt and that key reach the control after the label.
#pragma once

#include <string>

// The key a label's text gives with "&" (upper case), or 0 when it has none.
wchar_t MnemonicOf(const std::wstring& text);

// The label with "&" doubled and a mnemonic put before the first character
// that begins a word and that no other control of the dialog uses, else before
// any free letter or digit; taken holds the keys in use (upper case) and
// gains the one chosen. A label without a free character gets none.
std::wstring WithMnemonic(const std::wstring& label, std::wstring& taken);
