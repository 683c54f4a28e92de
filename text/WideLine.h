#pragma once
// A line of a wide string list as the list hands it out: its characters in place, without a copy.
// It reads like a const WideString (size, indexing, find, substr, comparisons, concatenation) and
// turns into a WideString wherever one is wanted, so `const WideString &s = List[i];` keeps working
// (s is then a copy that lives as long as s). The characters stay valid until the list changes,
// as a reference into the list would, and are always followed by a zero character.
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Types.h"

class TWideLine {
public:
    using value_type = WideChar;
    using size_type = size_t;
    using const_iterator = const WideChar *;
    using iterator = const WideChar *;
    using View = std::u16string_view;
    static constexpr size_t npos = WideString::npos;

    TWideLine() = default;
    // Text[Length] must be a zero character that stays with the text.
    TWideLine(const WideChar *Text, size_t Length) : FText(Text), FLength(Length) {}
    // A line of a WideString held elsewhere (valid while that string is unchanged).
    explicit TWideLine(const WideString &S) : FText(S.c_str()), FLength(S.size()) {}

    const WideChar *data() const { return FText; }
    const WideChar *c_str() const { return FText; }
    size_t size() const { return FLength; }
    size_t length() const { return FLength; }
    bool empty() const { return FLength == 0; }
    WideChar operator[](size_t Index) const { return FText[Index]; }
    WideChar at(size_t Index) const { return View(*this).at(Index); }
    WideChar front() const { return FText[0]; }
    WideChar back() const { return FText[FLength - 1]; }
    const WideChar *begin() const { return FText; }
    const WideChar *end() const { return FText + FLength; }
    const WideChar *cbegin() const { return begin(); }
    const WideChar *cend() const { return end(); }

    operator View() const { return View(FText, FLength); }
    operator WideString() const { return WideString(FText, FLength); }
    WideString str() const { return WideString(FText, FLength); }
    WideString substr(size_t Pos = 0, size_t Count = npos) const { return WideString(View(*this).substr(Pos, Count)); }

    size_t find(View S, size_t Pos = 0) const { return View(*this).find(S, Pos); }
    size_t find(WideChar C, size_t Pos = 0) const { return View(*this).find(C, Pos); }
    size_t rfind(View S, size_t Pos = npos) const { return View(*this).rfind(S, Pos); }
    size_t rfind(WideChar C, size_t Pos = npos) const { return View(*this).rfind(C, Pos); }
    size_t find_first_of(View S, size_t Pos = 0) const { return View(*this).find_first_of(S, Pos); }
    size_t find_first_of(WideChar C, size_t Pos = 0) const { return View(*this).find_first_of(C, Pos); }
    size_t find_last_of(View S, size_t Pos = npos) const { return View(*this).find_last_of(S, Pos); }
    size_t find_last_of(WideChar C, size_t Pos = npos) const { return View(*this).find_last_of(C, Pos); }
    size_t find_first_not_of(View S, size_t Pos = 0) const { return View(*this).find_first_not_of(S, Pos); }
    size_t find_first_not_of(WideChar C, size_t Pos = 0) const { return View(*this).find_first_not_of(C, Pos); }
    size_t find_last_not_of(View S, size_t Pos = npos) const { return View(*this).find_last_not_of(S, Pos); }
    size_t find_last_not_of(WideChar C, size_t Pos = npos) const { return View(*this).find_last_not_of(C, Pos); }
    int compare(View S) const { return View(*this).compare(S); }
    int compare(size_t Pos, size_t Count, View S) const { return View(*this).compare(Pos, Count, S); }
    bool starts_with(View S) const { return View(*this).starts_with(S); }
    bool starts_with(WideChar C) const { return View(*this).starts_with(C); }
    bool ends_with(View S) const { return View(*this).ends_with(S); }
    bool ends_with(WideChar C) const { return View(*this).ends_with(C); }

    friend bool operator==(const TWideLine &A, const TWideLine &B) { return View(A) == View(B); }
    friend bool operator==(const TWideLine &A, const WideString &B) { return View(A) == View(B); }
    friend bool operator==(const TWideLine &A, const WideChar *B) { return View(A) == View(B); }
    friend bool operator==(const TWideLine &A, View B) { return View(A) == B; }
    friend std::strong_ordering operator<=>(const TWideLine &A, const TWideLine &B) { return View(A) <=> View(B); }
    friend std::strong_ordering operator<=>(const TWideLine &A, const WideString &B) { return View(A) <=> View(B); }
    friend std::strong_ordering operator<=>(const TWideLine &A, const WideChar *B) { return View(A) <=> View(B); }
    friend std::strong_ordering operator<=>(const TWideLine &A, View B) { return View(A) <=> B; }

    friend WideString operator+(const TWideLine &A, const TWideLine &B) { return Join(A, B); }
    friend WideString operator+(const TWideLine &A, const WideString &B) { return Join(A, B); }
    friend WideString operator+(const WideString &A, const TWideLine &B) { return Join(A, B); }
    friend WideString operator+(const TWideLine &A, const WideChar *B) { return Join(A, B); }
    friend WideString operator+(const WideChar *A, const TWideLine &B) { return Join(A, B); }
    friend WideString operator+(const TWideLine &A, WideChar B) { return Join(A, View(&B, 1)); }
    friend WideString operator+(WideChar A, const TWideLine &B) { return Join(View(&A, 1), B); }

private:
    static WideString Join(View A, View B)
    {
        WideString s;
        s.reserve(A.size() + B.size());
        s.append(A);
        s.append(B);
        return s;
    }

    static constexpr WideChar kEmpty[1] = {0};
    const WideChar *FText = kEmpty;
    size_t FLength = 0;
};
