#pragma once

#include <stddef.h>
#include <stdint.h>

#include "Sha1.h"

// HMAC-SHA1 (64-byte block). `scratch` is used as the working context and is
// left freshly initialised. Does nothing when scratch, key, data or mac is null.
void HmacSha1(Sha1Context* scratch, const uint8_t* key, size_t keyLength, const uint8_t* data, size_t dataLength,
              uint8_t* mac);
