#include "BigNumber.h"

#include <string.h>

#include "common/SecureWipe.h"

namespace {

// Products of two halves plus their carries: a split operand has at most 34
// words here, so its partial products fit comfortably.
constexpr uint32_t kScratchWords = CBigNumber::kMaxWords + 3;
// The running value of a long division in 64-bit limbs, with room for the
// limb above the top one that a comparison window may touch.
constexpr uint32_t kWideLimbs = (CBigNumber::kMaxWords + 1) / 2 + 4;

uint32_t BitLengthOfWord(uint32_t word)
{
    uint32_t bits = 0;
    while (word != 0) {
        ++bits;
        word >>= 1;
    }
    return bits;
}

// out[0..na] = a * w.
void MultiplyByWord(uint32_t* out, const uint32_t* a, uint32_t na, uint32_t w)
{
    uint64_t carry = 0;
    for (uint32_t i = 0; i < na; ++i) {
        carry += static_cast<uint64_t>(a[i]) * w;
        out[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    out[na] = static_cast<uint32_t>(carry);
}

// out[0..na+nb) = a * b, built from one single-word product per word of b.
void MultiplyWords(uint32_t* out, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb)
{
    memset(out, 0, (na + nb) * sizeof(uint32_t));
    for (uint32_t j = 0; j < nb; ++j) {
        const uint64_t w = b[j];
        uint64_t carry = 0;
        for (uint32_t i = 0; i < na; ++i) {
            carry += static_cast<uint64_t>(a[i]) * w + out[i + j];
            out[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        out[na + j] = static_cast<uint32_t>(carry);
    }
}

// out[0..max(na,nb)] = a + b.
uint32_t AddWords(uint32_t* out, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb)
{
    const uint32_t n = na > nb ? na : nb;
    uint64_t carry = 0;
    for (uint32_t i = 0; i < n; ++i) {
        carry += static_cast<uint64_t>(i < na ? a[i] : 0) + (i < nb ? b[i] : 0);
        out[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    out[n] = static_cast<uint32_t>(carry);
    return n + 1;
}

// a[0..na) -= b[0..nb), nb <= na, a >= b.
void SubtractInPlace(uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb)
{
    uint32_t borrow = 0;
    for (uint32_t i = 0; i < na; ++i) {
        const uint64_t diff = static_cast<uint64_t>(a[i]) - (i < nb ? b[i] : 0) - borrow;
        a[i] = static_cast<uint32_t>(diff);
        borrow = static_cast<uint32_t>(diff >> 63);
    }
}

// out[offset..) += a[0..na); out must have room for the carry to settle.
void AddAt(uint32_t* out, uint32_t outWords, uint32_t offset, const uint32_t* a, uint32_t na)
{
    uint64_t carry = 0;
    uint32_t i = 0;
    for (; i < na && offset + i < outWords; ++i) {
        carry += static_cast<uint64_t>(out[offset + i]) + a[i];
        out[offset + i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    for (; carry != 0 && offset + i < outWords; ++i) {
        carry += out[offset + i];
        out[offset + i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
}

// One level of Karatsuba at half the longer operand's length:
// a*b = z2*B^2h + (z1 - z2 - z0)*B^h + z0 with z1 = (a0+a1)(b0+b1).
// Both operands have at least two words. out has na + nb words.
void MultiplyKaratsuba(uint32_t* out, const uint32_t* a, uint32_t na, const uint32_t* b, uint32_t nb)
{
    const uint32_t h = (na > nb ? na : nb) / 2;
    const uint32_t na0 = na < h ? na : h;
    const uint32_t nb0 = nb < h ? nb : h;
    const uint32_t na1 = na - na0;
    const uint32_t nb1 = nb - nb0;

    uint32_t z0[kScratchWords];
    uint32_t z1[kScratchWords];
    uint32_t z2[kScratchWords];
    uint32_t sumA[kScratchWords];
    uint32_t sumB[kScratchWords];

    MultiplyWords(z0, a, na0, b, nb0);
    const uint32_t nz0 = na0 + nb0;
    uint32_t nz2 = 0;
    if (na1 != 0 && nb1 != 0) {
        MultiplyWords(z2, a + h, na1, b + h, nb1);
        nz2 = na1 + nb1;
    }
    const uint32_t nsA = AddWords(sumA, a, na0, a + h, na1);
    const uint32_t nsB = AddWords(sumB, b, nb0, b + h, nb1);
    MultiplyWords(z1, sumA, nsA, sumB, nsB);
    const uint32_t nz1 = nsA + nsB;
    // z1 - z0 - z2 = a0*b1 + a1*b0 >= 0, so plain subtraction is safe.
    SubtractInPlace(z1, nz1, z0, nz0);
    SubtractInPlace(z1, nz1, z2, nz2);

    const uint32_t nOut = na + nb;
    memset(out, 0, nOut * sizeof(uint32_t));
    memcpy(out, z0, nz0 * sizeof(uint32_t));
    AddAt(out, nOut, h, z1, nz1);
    AddAt(out, nOut, 2 * h, z2, nz2);

    SecureWipe(z0, sizeof(z0));
    SecureWipe(z1, sizeof(z1));
    SecureWipe(z2, sizeof(z2));
    SecureWipe(sumA, sizeof(sumA));
    SecureWipe(sumB, sizeof(sumB));
}

} // namespace

CBigNumber::CBigNumber() : _count(1), _bitLength(0)
{
    memset(_words, 0, sizeof(_words));
}

CBigNumber::~CBigNumber()
{
    SecureWipe(_words, sizeof(_words));
}

void CBigNumber::Normalize(uint32_t count)
{
    while (count > 1 && _words[count - 1] == 0)
        --count;
    if (count == 0)
        count = 1;
    _count = count;
    _bitLength = static_cast<int32_t>((count - 1) * 32 + BitLengthOfWord(_words[count - 1]));
}

bool CBigNumber::Load(const uint32_t* words, uint32_t count)
{
    memset(_words, 0, sizeof(_words));
    if (words == nullptr)
        count = 0;
    // Leading zero words cost nothing, so only significant words count
    // against the capacity.
    while (count > 0 && words[count - 1] == 0)
        --count;
    if (count > kMaxWords) {
        Normalize(1);
        return false;
    }
    if (count != 0)
        memcpy(_words, words, count * sizeof(uint32_t));
    Normalize(count);
    return true;
}

bool CBigNumber::Store(uint32_t* words, uint32_t capacity) const
{
    if (words == nullptr || _count > capacity)
        return false;
    memcpy(words, _words, _count * sizeof(uint32_t));
    return true;
}

void CBigNumber::SetWord(uint32_t value)
{
    memset(_words, 0, sizeof(_words));
    _words[0] = value;
    Normalize(1);
}

void CBigNumber::CopyFrom(const CBigNumber& other)
{
    if (&other == this)
        return;
    memcpy(_words, other._words, sizeof(_words));
    _count = other._count;
    _bitLength = other._bitLength;
}

bool CBigNumber::TestBit(uint32_t bit) const
{
    if (bit >= _count * 32)
        return false;
    return ((_words[bit / 32] >> (bit % 32)) & 1) != 0;
}

int CBigNumber::Compare(const CBigNumber& other) const
{
    if (_bitLength != other._bitLength)
        return _bitLength < other._bitLength ? -1 : 1;
    for (uint32_t i = _count; i-- > 0;) {
        if (_words[i] != other._words[i])
            return _words[i] < other._words[i] ? -1 : 1;
    }
    return 0;
}

bool CBigNumber::Multiply(const CBigNumber& a, const CBigNumber& b, CBigNumber* product)
{
    if (product == nullptr || product == &a || product == &b)
        return false;
    if (a._count + b._count > kMaxWords)
        return false;

    uint32_t words[kMaxWords];
    if (a._bitLength <= 32 || b._bitLength <= 32) {
        const CBigNumber& wide = a._bitLength <= 32 ? b : a;
        const uint32_t w = a._bitLength <= 32 ? a._words[0] : b._words[0];
        MultiplyByWord(words, wide._words, wide._count, w);
    } else {
        MultiplyKaratsuba(words, a._words, a._count, b._words, b._count);
    }
    const uint32_t count = a._count + b._count;
    memset(product->_words, 0, sizeof(product->_words));
    memcpy(product->_words, words, count * sizeof(uint32_t));
    product->Normalize(count);
    SecureWipe(words, sizeof(words));
    return true;
}

bool CBigNumber::Reduce(const CBigNumber& dividend, const CBigNumber& divisor, CBigNumber* remainder)
{
    if (remainder == nullptr || remainder == &divisor || divisor.IsZero())
        return false;

    if (divisor._bitLength <= 32) {
        // Short divisor: schoolbook division by one word from the top.
        const uint64_t d = divisor._words[0];
        uint64_t rest = 0;
        for (uint32_t i = dividend._count; i-- > 0;)
            rest = ((rest << 32) | dividend._words[i]) % d;
        remainder->SetWord(static_cast<uint32_t>(rest));
        return true;
    }

    if (dividend.Compare(divisor) < 0) {
        remainder->CopyFrom(dividend);
        return true;
    }

    // Long divisor: restoring division, one quotient bit per step. Step k
    // subtracts divisor * 2^k from the running value when it fits. Before
    // step k the value is below divisor * 2^(k+1), so its limbs above the
    // divisor's span at limb k/64 are zero and the comparison can start there.
    // The shifted divisor's limbs are formed on the fly instead of shifting
    // the value or keeping 64 shifted copies on the stack. The work is done
    // in 64-bit limbs, which halves the loop trips on 64-bit hosts.
    uint64_t rest[kWideLimbs];
    memset(rest, 0, sizeof(rest));
    for (uint32_t i = 0; i < dividend._count; ++i)
        rest[i / 2] |= static_cast<uint64_t>(dividend._words[i]) << (32 * (i % 2));

    // The divisor with a zero limb on either side, so that limb j of
    // divisor << shift is (padded[j + 1] << shift) | (padded[j] >> (64 - shift))
    // for every j in 0..nl without edge cases.
    const uint32_t nl = (divisor._count + 1) / 2;
    uint64_t padded[kWideLimbs];
    memset(padded, 0, sizeof(padded));
    for (uint32_t i = 0; i < divisor._count; ++i)
        padded[1 + i / 2] |= static_cast<uint64_t>(divisor._words[i]) << (32 * (i % 2));

    const uint32_t topStep = static_cast<uint32_t>(dividend._bitLength) - static_cast<uint32_t>(divisor._bitLength);
    for (uint32_t k = topStep + 1; k-- > 0;) {
        uint64_t* window = rest + k / 64;
        const unsigned shift = k % 64;
        const unsigned lowShift = 63 - shift; // applied after a shift by 1: never a shift by 64

        bool fits = true;
        for (uint32_t j = nl + 1; j-- > 0;) {
            const uint64_t s = (padded[j + 1] << shift) | ((padded[j] >> 1) >> lowShift);
            if (window[j] != s) {
                fits = window[j] > s;
                break;
            }
        }
        if (!fits)
            continue;
        uint64_t borrow = 0;
        for (uint32_t j = 0; j <= nl; ++j) {
            const uint64_t s = (padded[j + 1] << shift) | ((padded[j] >> 1) >> lowShift);
            const uint64_t a = window[j];
            const uint64_t t = a - s;
            const uint64_t nextBorrow = static_cast<uint64_t>(a < s) | static_cast<uint64_t>(t < borrow);
            window[j] = t - borrow;
            borrow = nextBorrow;
        }
    }

    memset(remainder->_words, 0, sizeof(remainder->_words));
    for (uint32_t i = 0; i < divisor._count; ++i)
        remainder->_words[i] = static_cast<uint32_t>(rest[i / 2] >> (32 * (i % 2)));
    remainder->Normalize(divisor._count);
    SecureWipe(rest, sizeof(rest));
    return true;
}
