#include "dialogs/framework/Mnemonic.h"

#include <cwctype>

namespace {

wchar_t KeyOf(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

bool Usable(wchar_t c, const std::wstring& taken) {
    return std::iswalnum(static_cast<wint_t>(c)) && taken.find(KeyOf(c)) == std::wstring::npos;
}

// Where the mnemonic goes in the label, or npos.
size_t Choose(const std::wstring& label, const std::wstring& taken) {
    for (size_t i = 0; i < label.size(); ++i) {
        bool wordStart = i == 0 || !std::iswalnum(static_cast<wint_t>(label[i - 1]));
        if (wordStart && Usable(label[i], taken)) return i;
    }
    for (size_t i = 0; i < label.size(); ++i) {
        if (Usable(label[i], taken)) return i;
    }
    return std::wstring::npos;
}

}  // namespace

wchar_t MnemonicOf(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return KeyOf(text[i + 1]);
        ++i;  // "&&" is a plain "&"
    }
    return 0;
}

std::wstring WithMnemonic(const std::wstring& label, std::wstring& taken) {
    size_t chosen = Choose(label, taken);
    std::wstring shown;
    for (size_t i = 0; i < label.size(); ++i) {
        if (i == chosen) shown += L'&';
        shown += label[i];
        if (label[i] == L'&') shown += L'&';
    }
    if (chosen != std::wstring::npos) taken += KeyOf(label[chosen]);
    return shown;
}
