// The input check of the PIN code dialogs: which entry fails and how the
// complaint is worded. Portable: no Windows types.
#pragma once

#include <cstddef>

// True when every character is an ASCII decimal digit; an empty text is.
bool IsDigitsOnly(const wchar_t* text);

struct PinEntryRule {
    const wchar_t* text; // what was entered
    unsigned minLength;  // fewest digits accepted
    unsigned maxLength;  // most digits (the edit control enforces it)
};

// Index of the first entry that is shorter than its minimum or holds
// anything but ASCII digits; count when every entry passes. A non-digit
// entry fails even when its minimum is 0, so that nothing but digits ever
// reaches the card.
std::size_t FindFailingEntry(const PinEntryRule* rules, std::size_t count);

// String-table entry of the length complaint: the one-length wording when
// the minimum and maximum agree, the range wording otherwise.
unsigned LengthMessageId(const PinEntryRule& rule);
