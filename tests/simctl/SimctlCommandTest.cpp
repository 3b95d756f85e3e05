// simctl's reading of its command line: every accepted form gives the
// command it names, every bad one an error and nothing to carry out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/simctl/SimctlCommand.h"

namespace simctl {
namespace {

std::string Joined(const std::vector<std::string>& args)
{
    std::string text;
    for (const std::string& arg : args)
        text += (text.empty() ? "" : " ") + arg;
    return text;
}

struct Accepted {
    std::vector<std::string> args;
    Command expected;
};

Command Make(Verb verb)
{
    Command command;
    command.verb = verb;
    return command;
}

Command ScenarioCommand(Scenario scenario)
{
    Command command = Make(Verb::Scenario);
    command.scenario = scenario;
    return command;
}

Command Ports(std::uint32_t dm, std::uint32_t nmea)
{
    Command command = ScenarioCommand(Scenario::Ports);
    command.dmPort = dm;
    command.nmeaPort = nmea;
    return command;
}

Command Slow(std::uint32_t failures)
{
    Command command = ScenarioCommand(Scenario::ModemSlow);
    command.connectFailures = failures;
    return command;
}

Command Driver(DriverState state)
{
    Command command = Make(Verb::Driver);
    command.driver = state;
    return command;
}

Command Fault(const char* name, std::uint32_t value, bool off = false)
{
    Command command = Driver(DriverState::Fault);
    command.faultName = name;
    command.faultValue = value;
    command.faultOff = off;
    return command;
}

Command Send(Signal signal)
{
    Command command = Make(Verb::Send);
    command.signal = signal;
    return command;
}

Command FailCommand(const char* name, std::uint32_t code, std::uint32_t count, bool off = false)
{
    Command command = Make(Verb::Fail);
    command.exportName = name;
    command.failCode = code;
    command.failCount = count;
    command.failOff = off;
    return command;
}

class SimctlAcceptTest : public ::testing::TestWithParam<Accepted> {};

TEST_P(SimctlAcceptTest, GivesTheNamedCommand)
{
    const Accepted& c = GetParam();
    const Parsed parsed = ParseArguments(c.args);
    ASSERT_TRUE(parsed.ok) << Joined(c.args) << ": " << parsed.error;
    const Command& got = parsed.command;
    const Command& want = c.expected;
    EXPECT_EQ(want.verb, got.verb) << Joined(c.args);
    if (want.verb == Verb::Scenario) {
        EXPECT_EQ(want.scenario, got.scenario) << Joined(c.args);
        EXPECT_EQ(want.dmPort, got.dmPort) << Joined(c.args);
        EXPECT_EQ(want.nmeaPort, got.nmeaPort) << Joined(c.args);
        EXPECT_EQ(want.connectFailures, got.connectFailures) << Joined(c.args);
    }
    if (want.verb == Verb::Driver) {
        EXPECT_EQ(want.driver, got.driver) << Joined(c.args);
        EXPECT_EQ(want.faultName, got.faultName) << Joined(c.args);
        EXPECT_EQ(want.faultOff, got.faultOff) << Joined(c.args);
        EXPECT_EQ(want.faultValue, got.faultValue) << Joined(c.args);
    }
    if (want.verb == Verb::Send) {
        EXPECT_EQ(want.signal, got.signal) << Joined(c.args);
    }
    if (want.verb == Verb::Fail) {
        EXPECT_EQ(want.exportName, got.exportName) << Joined(c.args);
        EXPECT_EQ(want.failCode, got.failCode) << Joined(c.args);
        EXPECT_EQ(want.failCount, got.failCount) << Joined(c.args);
        EXPECT_EQ(want.failOff, got.failOff) << Joined(c.args);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SimctlAcceptTest,
    ::testing::Values(
        Accepted{{"help"}, Make(Verb::Help)}, Accepted{{"--help"}, Make(Verb::Help)},
        Accepted{{"show"}, Make(Verb::Show)}, Accepted{{"reset"}, Make(Verb::Reset)},
        Accepted{{"scenario", "no-card"}, ScenarioCommand(Scenario::NoCard)},
        Accepted{{"scenario", "pin-needed"}, ScenarioCommand(Scenario::PinNeeded)},
        Accepted{{"scenario", "ready"}, ScenarioCommand(Scenario::Ready)},
        Accepted{{"scenario", "blocked"}, ScenarioCommand(Scenario::Blocked)},
        Accepted{{"scenario", "perm-blocked"}, ScenarioCommand(Scenario::PermBlocked)},
        Accepted{{"scenario", "gps-present"}, ScenarioCommand(Scenario::GpsPresent)},
        Accepted{{"scenario", "gps-absent"}, ScenarioCommand(Scenario::GpsAbsent)},
        Accepted{{"scenario", "modem-absent"}, ScenarioCommand(Scenario::ModemAbsent)},
        Accepted{{"scenario", "modem-present"}, ScenarioCommand(Scenario::ModemPresent)},
        Accepted{{"scenario", "ports", "COM3", "COM12"}, Ports(3, 12)},
        Accepted{{"scenario", "ports", "com1", "Com255"}, Ports(1, 255)},
        Accepted{{"scenario", "modem-slow", "0"}, Slow(0)}, Accepted{{"scenario", "modem-slow", "100"}, Slow(100)},
        Accepted{{"driver", "ok"}, Driver(DriverState::Ok)}, Accepted{{"driver", "old"}, Driver(DriverState::Old)},
        Accepted{{"driver", "absent"}, Driver(DriverState::Absent)},
        Accepted{{"driver", "present"}, Driver(DriverState::Present)},
        Accepted{{"driver", "busy"}, Driver(DriverState::Busy)},
        Accepted{{"driver", "fault", "BusyOnce", "1"}, Fault("BusyOnce", 1)},
        Accepted{{"driver", "fault", "failcapsule", "0xC0000001"}, Fault("FailCapsule", 0xC0000001u)},
        Accepted{{"driver", "fault", "FeatureWord12", "4294967295"}, Fault("FeatureWord12", 0xFFFFFFFFu)},
        Accepted{{"driver", "fault", "WrongMagic", "off"}, Fault("WrongMagic", 0, true)},
        Accepted{{"send", "suspend"}, Send(Signal::Suspend)}, Accepted{{"send", "resume"}, Send(Signal::Resume)},
        Accepted{{"send", "lock"}, Send(Signal::Lock)}, Accepted{{"send", "unlock"}, Send(Signal::Unlock)},
        Accepted{{"send", "taskbar-created"}, Send(Signal::TaskbarCreated)},
        Accepted{{"send", "device-refresh"}, Send(Signal::DeviceRefresh)},
        Accepted{{"send", "exit"}, Send(Signal::Exit)}, Accepted{{"send", "tray-click"}, Send(Signal::TrayClick)},
        Accepted{{"send", "tray-double-click"}, Send(Signal::TrayDoubleClick)},
        Accepted{{"power-cycle"}, Make(Verb::PowerCycle)},
        Accepted{{"fail", "UIMGetPINStatus", "8", "2"}, FailCommand("UIMGetPINStatus", 8, 2)},
        Accepted{{"fail", "qcwwandisconnect", "0x10", "1"}, FailCommand("QCWWANDisconnect", 16, 1)},
        Accepted{{"fail", "SetServiceAutomaticTracking", "4294967295", "4294967295"},
                 FailCommand("SetServiceAutomaticTracking", 0xFFFFFFFFu, 0xFFFFFFFFu)},
        Accepted{{"fail", "UIMVerifyPIN", "off"}, FailCommand("UIMVerifyPIN", 0, 0, true)}));

struct Rejected {
    std::vector<std::string> args;
    std::string mentions; // the error names what is wrong
};

class SimctlRejectTest : public ::testing::TestWithParam<Rejected> {};

TEST_P(SimctlRejectTest, ExplainsTheMistake)
{
    const Rejected& c = GetParam();
    const Parsed parsed = ParseArguments(c.args);
    EXPECT_FALSE(parsed.ok) << Joined(c.args) << " was accepted";
    EXPECT_NE(std::string::npos, parsed.error.find(c.mentions)) << Joined(c.args) << " gave: " << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SimctlRejectTest,
    ::testing::Values(
        Rejected{{}, "no command"}, Rejected{{"frobnicate"}, "'frobnicate'"}, Rejected{{"show", "now"}, "'now'"},
        Rejected{{"reset", "all"}, "'all'"}, Rejected{{"help", "me"}, "help"}, Rejected{{"scenario"}, "pin-needed"},
        Rejected{{"scenario", "Ready"}, "'Ready'"}, Rejected{{"scenario", "ready", "now"}, "'now'"},
        Rejected{{"scenario", "ports"}, "NMEA"}, Rejected{{"scenario", "ports", "COM5"}, "NMEA"},
        Rejected{{"scenario", "ports", "COM5", "COM7", "COM9"}, "NMEA"},
        Rejected{{"scenario", "ports", "5", "COM7"}, "'5'"}, Rejected{{"scenario", "ports", "COM0", "COM7"}, "'COM0'"},
        Rejected{{"scenario", "ports", "COM5", "COM256"}, "'COM256'"},
        Rejected{{"scenario", "ports", "COM05", "COM7"}, "'COM05'"},
        Rejected{{"scenario", "ports", "COM-5", "COM7"}, "'COM-5'"},
        Rejected{{"scenario", "ports", "COM", "COM7"}, "'COM'"},
        Rejected{{"scenario", "ports", "COM7", "com7"}, "differ"}, Rejected{{"scenario", "modem-slow"}, "number"},
        Rejected{{"scenario", "modem-slow", "-1"}, "'-1'"}, Rejected{{"scenario", "modem-slow", "101"}, "'101'"},
        Rejected{{"scenario", "modem-slow", "4294967296"}, "'4294967296'"},
        Rejected{{"scenario", "modem-slow", "3s"}, "'3s'"}, Rejected{{"scenario", "modem-slow", "3", "4"}, "number"},
        Rejected{{"driver"}, "old"}, Rejected{{"driver", "new"}, "'new'"},
        Rejected{{"driver", "busy", "always"}, "'always'"}, Rejected{{"driver", "fault"}, "BusyOnce"},
        Rejected{{"driver", "fault", "BusyOnce"}, "BusyOnce"}, Rejected{{"driver", "fault", "Sleepy", "1"}, "'Sleepy'"},
        Rejected{{"driver", "fault", "BusyOnce", "on"}, "'on'"},
        Rejected{{"driver", "fault", "BusyOnce", "0x"}, "'0x'"},
        Rejected{{"driver", "fault", "BusyOnce", "0x100000000"}, "'0x100000000'"},
        Rejected{{"driver", "fault", "BusyOnce", "4294967296"}, "'4294967296'"},
        Rejected{{"driver", "fault", "BusyOnce", "0xG1"}, "'0xG1'"}, Rejected{{"send"}, "device-refresh"},
        Rejected{{"send", "reboot"}, "'reboot'"}, Rejected{{"send", "exit", "now"}, "'now'"},
        Rejected{{"power-cycle", "twice"}, "'twice'"}, Rejected{{"fail"}, "UIMVerifyPIN"},
        Rejected{{"fail", "UIMFoo", "1", "1"}, "'UIMFoo'"}, Rejected{{"fail", "UIMVerifyPIN"}, "code"},
        Rejected{{"fail", "UIMVerifyPIN", "8"}, "code"}, Rejected{{"fail", "UIMVerifyPIN", "8", "0"}, "'0'"},
        Rejected{{"fail", "UIMVerifyPIN", "-8", "1"}, "'-8'"},
        Rejected{{"fail", "UIMVerifyPIN", "8", "1", "2"}, "code"},
        Rejected{{"fail", "UIMVerifyPIN", "off", "1"}, "'off'"}));

// Each word simctl accepts is one the usage text teaches.
TEST(SimctlUsageTest, NamesEveryScenarioDriverStateEventAndFault)
{
    const std::string usage = UsageText();
    const char* const words[] = {"show",
                                 "reset",
                                 "no-card",
                                 "pin-needed",
                                 "ready",
                                 "blocked",
                                 "perm-blocked",
                                 "gps-present",
                                 "gps-absent",
                                 "ports",
                                 "modem-absent",
                                 "modem-present",
                                 "modem-slow",
                                 "driver ok",
                                 "driver old",
                                 "driver absent",
                                 "driver present",
                                 "driver busy",
                                 "driver fault",
                                 "suspend",
                                 "resume",
                                 "lock",
                                 "unlock",
                                 "taskbar-created",
                                 "device-refresh",
                                 "tray-click",
                                 "tray-double-click",
                                 "send exit",
                                 "1234",
                                 "12345678",
                                 "power-cycle",
                                 "fail EXPORT CODE N",
                                 "fail EXPORT off"};
    for (const char* word : words)
        EXPECT_NE(std::string::npos, usage.find(word)) << word;
    for (const std::string& fault : DriverFaultNames())
        EXPECT_NE(std::string::npos, usage.find(fault)) << fault;
}

} // namespace
} // namespace simctl
