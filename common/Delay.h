// The program's waits between modem retries go through one replaceable
// function, so that a test can count them instead of sitting through them.
#pragma once

#include <cstdint>

using DelayFunction = void (*)(std::uint32_t milliseconds);

// Waits milliseconds through the installed function (::Sleep by default).
void Delay(std::uint32_t milliseconds);

// Installs f (nullptr restores ::Sleep) and returns the function it replaced.
DelayFunction SetDelayFunction(DelayFunction f);
