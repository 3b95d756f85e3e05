#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t kBlowfishPWords = 18;
constexpr size_t kBlowfishSBoxes = 4;
constexpr size_t kBlowfishSBoxWords = 256;

// Constant-initialised: usable in the driver build, which has no startup code.
extern const uint32_t kBlowfishInitialP[kBlowfishPWords];
extern const uint32_t kBlowfishInitialS[kBlowfishSBoxes][kBlowfishSBoxWords];
