// simctl: shows and changes the simulated platform that Brindle runs on
// under Wine, and sends Brindle what Windows would. Usage: SimctlCommand.cpp.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/simctl/SimctlCommand.h"
#include "sim/simctl/SimctlRun.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg;
        // Every word simctl knows is ASCII; anything else cannot match.
        for (const wchar_t* c = argv[i]; *c != L'\0'; ++c)
            arg += *c < 0x80 ? static_cast<char>(*c) : '?';
        args.push_back(arg);
    }
    const simctl::Parsed parsed = simctl::ParseArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "simctl: %s\n\n%s", parsed.error.c_str(), simctl::UsageText());
        return simctl::kExitUsage;
    }
    const int code = simctl::RunCommand(parsed.command);
    std::fflush(stdout);
    return code;
}
