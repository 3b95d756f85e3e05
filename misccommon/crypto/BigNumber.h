#pragma once
// Fixed-capacity non-negative integers for the 1024-bit exponentiations of
// the session handshake. Storage lives inside the object (no heap), so keep
// them on the stack; each object wipes its words when it goes away.

#include <stdint.h>

class CBigNumber {
public:
    // A 33-word modulus squared needs 66 words; one more word of headroom.
    static constexpr uint32_t kMaxWords = 67;

    CBigNumber();
    ~CBigNumber();
    CBigNumber(const CBigNumber&) = delete;
    CBigNumber& operator=(const CBigNumber&) = delete;

    // Words least significant first. A null or empty array loads as zero.
    // False when the value needs more than kMaxWords words.
    bool Load(const uint32_t* words, uint32_t count);
    // Writes exactly WordCount() words and nothing beyond them.
    // False when WordCount() exceeds the capacity.
    bool Store(uint32_t* words, uint32_t capacity) const;
    void SetWord(uint32_t value);
    void CopyFrom(const CBigNumber& other);

    bool IsZero() const { return _bitLength == 0; }
    // Position of the highest set bit plus 1; 0 for zero.
    int32_t BitLength() const { return _bitLength; }
    // Words in use, at least 1 (zero is one zero word).
    uint32_t WordCount() const { return _count; }
    bool TestBit(uint32_t bit) const;
    int Compare(const CBigNumber& other) const;

    // product = a * b. False (product untouched) when the product could need
    // more than kMaxWords words. The product must not be a or b.
    static bool Multiply(const CBigNumber& a, const CBigNumber& b, CBigNumber* product);
    // remainder = dividend mod divisor. False for a zero divisor. The
    // remainder must not be the divisor.
    static bool Reduce(const CBigNumber& dividend, const CBigNumber& divisor, CBigNumber* remainder);

private:
    void Normalize(uint32_t count);

    uint32_t _count;
    int32_t _bitLength;
    uint32_t _words[kMaxWords];
};
