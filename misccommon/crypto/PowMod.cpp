#include "PowMod.h"

#include "BigNumber.h"

bool powmod(uint32_t* result, uint32_t resultCapacity, const uint32_t* base, uint32_t baseLength,
            const uint32_t* exponent, uint32_t exponentLength, const uint32_t* modulus, uint32_t modulusLength)
{
    if (result == nullptr || base == nullptr || exponent == nullptr || modulus == nullptr)
        return false;

    CBigNumber b;
    CBigNumber e;
    CBigNumber m;
    if (!b.Load(base, baseLength) || !e.Load(exponent, exponentLength) || !m.Load(modulus, modulusLength))
        return false;

    CBigNumber r;
    if (e.IsZero()) {
        r.SetWord(1);
        return r.Store(result, resultCapacity);
    }
    if (b.IsZero())
        return r.Store(result, resultCapacity);
    // Every product below is of two values under the modulus, so a modulus
    // that fits half the capacity can never overflow it.
    if (m.IsZero() || 2 * m.WordCount() > CBigNumber::kMaxWords)
        return false;

    CBigNumber product;
    if (!CBigNumber::Reduce(b, m, &b))
        return false;
    r.SetWord(1);
    // Right to left: bit i of the exponent multiplies in base^(2^i).
    const uint32_t bits = static_cast<uint32_t>(e.BitLength());
    for (uint32_t i = 0; i < bits; ++i) {
        if (e.TestBit(i)) {
            if (!CBigNumber::Multiply(r, b, &product) || !CBigNumber::Reduce(product, m, &r))
                return false;
        }
        // The square after the top bit would never be used.
        if (i + 1 < bits) {
            if (!CBigNumber::Multiply(b, b, &product) || !CBigNumber::Reduce(product, m, &b))
                return false;
        }
    }
    return r.Store(result, resultCapacity);
}

bool pow2mod(uint32_t* result, uint32_t resultCapacity, const uint32_t* exponent, uint32_t exponentLength,
             const uint32_t* modulus, uint32_t modulusLength)
{
    const uint32_t two = 2;
    return powmod(result, resultCapacity, &two, 1, exponent, exponentLength, modulus, modulusLength);
}
