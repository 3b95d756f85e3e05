// What one simctl call asks for, read from its arguments. Nothing here
// touches the platform: the whole command line is checked before anything
// is changed, so a bad argument never leaves a scenario half applied.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace simctl {

enum class Verb { Help, Show, Reset, Scenario, Driver, Send, Fail, PowerCycle };

enum class Scenario {
    NoCard,
    PinNeeded,
    Ready,
    Blocked,
    PermBlocked,
    GpsPresent,
    GpsAbsent,
    Ports,
    ModemAbsent,
    ModemPresent,
    ModemSlow,
};

enum class DriverState { Ok, Old, Absent, Present, Busy, Fault };

// What Windows, the shell or another program would deliver to Brindle's window.
enum class Signal {
    Suspend,
    Resume,
    Lock,
    Unlock,
    TaskbarCreated,
    DeviceRefresh,
    Exit,
    TrayClick,
    TrayDoubleClick,
};

struct Command {
    Verb verb = Verb::Help;
    Scenario scenario = Scenario::PinNeeded;
    std::uint32_t dmPort = 0;          // ports: the modem's diagnostic port
    std::uint32_t nmeaPort = 0;        // ports: the GPS port
    std::uint32_t connectFailures = 0; // modem-slow
    DriverState driver = DriverState::Ok;
    std::string faultName; // driver fault: the stand-in's value name
    bool faultOff = false;
    std::uint32_t faultValue = 0;
    Signal signal = Signal::DeviceRefresh;
    std::string exportName; // fail: one of ModemExportNames()
    std::uint32_t failCode = 0;
    std::uint32_t failCount = 0;
    bool failOff = false;
};

struct Parsed {
    bool ok = false;
    Command command;
    std::string error; // for the user; empty when ok
};

// args without the program name.
Parsed ParseArguments(const std::vector<std::string>& args);

const char* UsageText();

// The stand-in driver's fault values that `driver fault` accepts, by their
// exact names.
const std::vector<std::string>& DriverFaultNames();

// The stand-in modem library's exports that `fail` accepts.
const std::vector<std::string>& ModemExportNames();

// Limits of the numbers the arguments carry.
constexpr std::uint32_t kHighestComPort = 255;
// The program tries 20 connects; more failures than that never connect.
constexpr std::uint32_t kMostConnectFailures = 100;

} // namespace simctl
