// The program's own wide-character string: an owned UTF-16 buffer and its length.
// Every buffer is wiped before it is released, so a string may hold a secret.
#pragma once

#include <cstdint>

class CString {
public:
    CString() = default;
    explicit CString(const char16_t* text) { Assign(text); }
    CString(const CString& other);
    CString& operator=(const CString& other);
    CString(CString&& other) noexcept;
    CString& operator=(CString&& other) noexcept;
    virtual ~CString();

    // A null text gives the empty string.
    virtual void Assign(const char16_t* text);
    // Takes exactly count units from text (which need not be terminated).
    void AssignUnits(const char16_t* text, int32_t count);
    // A negative count counts as 0.
    virtual void AssignRepeated(char16_t ch, int32_t count);

    void Clear();
    void Append(const char16_t* text);
    void AppendUnits(const char16_t* text, int32_t count);
    void AppendRepeated(char16_t ch, int32_t count);
    // Every run of whitespace becomes the run's first character.
    void CollapseWhitespace();
    // Keeps the first max characters; max below 1 gives the empty string.
    void Truncate(int32_t max);

    // Null until the string is first assigned.
    const char16_t* Text() const { return text; }
    // Never null: the empty text stands in for an unassigned string.
    const char16_t* c_str() const { return text ? text : u""; }
    int32_t Length() const { return length; }
    bool IsEmpty() const { return length == 0; }

private:
    void Replace(char16_t* newText, int32_t newLength);

    char16_t* text = nullptr;
    int32_t length = 0;
};

// Length of a NUL-terminated UTF-16 text; 0 for null.
int32_t TextLength(const char16_t* text);

// Copies at most max characters of source and a NUL; dest holds max + 1 units.
void CopyBounded(char16_t* dest, const char16_t* source, int32_t max);
