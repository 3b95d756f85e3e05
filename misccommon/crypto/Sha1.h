#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t kSha1DigestSize = 20;
constexpr size_t kSha1BlockSize = 64;

// Caller-owned. The bit count is kept as two 32-bit halves because the driver
// side keeps the same record.
struct Sha1Context {
    uint32_t State[5];
    uint32_t CountLow;
    uint32_t CountHigh;
    uint8_t Buffer[kSha1BlockSize];
    uint8_t Digest[kSha1DigestSize];
};

// Returns the context, or null for a null context.
Sha1Context* Sha1Initialize(Sha1Context* context);
void Sha1Update(Sha1Context* context, const void* data, size_t length);
// Stores the digest in context->Digest and wipes the working state.
void Sha1Finalize(Sha1Context* context);
void Sha1GetDigest(const Sha1Context* context, uint8_t* digest);
