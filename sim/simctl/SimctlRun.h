// Carries out one checked command on the simulated platform of the Wine
// prefix this process runs in, through the stand-ins' control libraries.
#pragma once

#include "sim/simctl/SimctlCommand.h"

namespace simctl {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Prints what it did or why it could not; returns the exit code.
int RunCommand(const Command& command);

// The `show` report.
int ShowPlatform();

} // namespace simctl
