// The input check of the PIN code dialogs: which entry fails and how the
// complaint is worded. Portable: no Windows types.
#pragma once

#include <cstddef>

// The most characters a code field takes in.
constexpr unsigned kMaxCodeLength = 260;

// True when every character is an ASCII decimal digit; an empty text is.
bool IsDigitsOnly(const wchar_t* text);

struct PinEntryRule {
    const wchar_t* text; // what was entered
    unsigned minLength;  // fewest digits accepted
    unsigned maxLength;  // most digits (the edit control enforces it)
};

// The fewest digits an entry must have: its minimum, but at least 1, so that
// an empty entry never reaches the card (it would cost an attempt, and
// unblock attempts do not come back).
unsigned MinimumLength(const PinEntryRule& rule);

// Index of the first entry that is shorter than its minimum or holds
// anything but ASCII digits; count when every entry passes. A non-digit
// entry fails whatever its minimum, so that nothing but digits ever reaches
// the card.
std::size_t FindFailingEntry(const PinEntryRule* rules, std::size_t count);

// String-table entry of the length complaint: the one-length wording when
// the minimum and maximum agree, the range wording otherwise.
unsigned LengthMessageId(const PinEntryRule& rule);

// False for a configured length pair that no code can satisfy: a maximum of
// 0 (which the edit control reads as "no limit"), a minimum above the
// maximum, or a minimum no field can hold. With such a pair the user could
// never verify, change or unblock PIN1.
bool IsUsableLengthPair(unsigned minLength, unsigned maxLength);
