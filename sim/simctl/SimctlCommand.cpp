#include "sim/simctl/SimctlCommand.h"

#include <cstddef>
#include <utility>

namespace simctl {
namespace {

template <typename T>
struct Word {
    const char* text;
    T value;
};

const Word<Scenario> kScenarios[] = {
    {"no-card", Scenario::NoCard},
    {"pin-needed", Scenario::PinNeeded},
    {"ready", Scenario::Ready},
    {"blocked", Scenario::Blocked},
    {"perm-blocked", Scenario::PermBlocked},
    {"gps-present", Scenario::GpsPresent},
    {"gps-absent", Scenario::GpsAbsent},
    {"ports", Scenario::Ports},
    {"modem-absent", Scenario::ModemAbsent},
    {"modem-present", Scenario::ModemPresent},
    {"modem-slow", Scenario::ModemSlow},
};

const Word<DriverState> kDriverStates[] = {
    {"ok", DriverState::Ok},           {"old", DriverState::Old},   {"absent", DriverState::Absent},
    {"present", DriverState::Present}, {"busy", DriverState::Busy}, {"fault", DriverState::Fault},
};

const Word<Signal> kSignals[] = {
    {"suspend", Signal::Suspend},
    {"resume", Signal::Resume},
    {"lock", Signal::Lock},
    {"unlock", Signal::Unlock},
    {"taskbar-created", Signal::TaskbarCreated},
    {"device-refresh", Signal::DeviceRefresh},
    {"exit", Signal::Exit},
    {"tray-click", Signal::TrayClick},
    {"tray-double-click", Signal::TrayDoubleClick},
};

template <typename T, std::size_t N>
bool Lookup(const Word<T> (&words)[N], const std::string& text, T& out)
{
    for (const Word<T>& word : words) {
        if (text == word.text) {
            out = word.value;
            return true;
        }
    }
    return false;
}

template <typename T, std::size_t N>
std::string Choices(const Word<T> (&words)[N])
{
    std::string list;
    for (const Word<T>& word : words) {
        if (!list.empty())
            list += '|';
        list += word.text;
    }
    return list;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

// Decimal digits only (no sign, no spaces); false on overflow or above limit.
bool ParseDecimal(const std::string& text, std::uint32_t limit, std::uint32_t& out)
{
    if (text.empty() || text.size() > 10)
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > limit)
        return false;
    out = static_cast<std::uint32_t>(value);
    return true;
}

// Decimal, or hexadecimal after 0x (NTSTATUS values read best that way).
bool ParseNumber(const std::string& text, std::uint32_t& out)
{
    if (text.size() > 2 && text[0] == '0' && Lower(text[1]) == 'x') {
        if (text.size() > 10)
            return false;
        std::uint32_t value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = Lower(text[i]);
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            else
                return false;
            value = value * 16 + digit;
        }
        out = value;
        return true;
    }
    return ParseDecimal(text, 0xFFFFFFFFu, out);
}

// "COM7" in any case.
bool ParseComPort(const std::string& text, std::uint32_t& out)
{
    if (text.size() < 4 || !EqualsIgnoringCase(text.substr(0, 3), "com"))
        return false;
    const std::string digits = text.substr(3);
    // "COM05" is not how Windows names a port.
    if (digits[0] == '0')
        return false;
    return ParseDecimal(digits, kHighestComPort, out) && out >= 1;
}

Parsed Fail(std::string error)
{
    Parsed parsed;
    parsed.error = std::move(error);
    return parsed;
}

Parsed Succeed(const Command& command)
{
    Parsed parsed;
    parsed.ok = true;
    parsed.command = command;
    return parsed;
}

// args[first..] must have exactly count entries.
bool HasArguments(const std::vector<std::string>& args, std::size_t first, std::size_t count)
{
    return args.size() == first + count;
}

Parsed ParseScenario(const std::vector<std::string>& args)
{
    Command command;
    command.verb = Verb::Scenario;
    if (args.size() < 2)
        return Fail("scenario: which one? (" + Choices(kScenarios) + ")");
    if (!Lookup(kScenarios, args[1], command.scenario))
        return Fail("scenario: unknown scenario '" + args[1] + "' (" + Choices(kScenarios) + ")");

    switch (command.scenario) {
    case Scenario::Ports:
        if (!HasArguments(args, 2, 2))
            return Fail("scenario ports: give the DM port and the NMEA port, e.g. 'ports COM5 COM7'");
        if (!ParseComPort(args[2], command.dmPort))
            return Fail("scenario ports: '" + args[2] + "' is not a port COM1 to COM255");
        if (!ParseComPort(args[3], command.nmeaPort))
            return Fail("scenario ports: '" + args[3] + "' is not a port COM1 to COM255");
        if (command.dmPort == command.nmeaPort)
            return Fail("scenario ports: the DM port and the NMEA port must differ");
        return Succeed(command);
    case Scenario::ModemSlow:
        if (!HasArguments(args, 2, 1))
            return Fail("scenario modem-slow: give the number of refused connects, e.g. 'modem-slow 3'");
        if (!ParseDecimal(args[2], kMostConnectFailures, command.connectFailures))
            return Fail("scenario modem-slow: '" + args[2] + "' is not a number from 0 to " +
                        std::to_string(kMostConnectFailures));
        return Succeed(command);
    default:
        if (!HasArguments(args, 2, 0))
            return Fail("scenario " + args[1] + ": takes no further argument ('" + args[2] + "')");
        return Succeed(command);
    }
}

Parsed ParseDriver(const std::vector<std::string>& args)
{
    Command command;
    command.verb = Verb::Driver;
    if (args.size() < 2)
        return Fail("driver: which state? (" + Choices(kDriverStates) + ")");
    if (!Lookup(kDriverStates, args[1], command.driver))
        return Fail("driver: unknown state '" + args[1] + "' (" + Choices(kDriverStates) + ")");
    if (command.driver != DriverState::Fault) {
        if (!HasArguments(args, 2, 0))
            return Fail("driver " + args[1] + ": takes no further argument ('" + args[2] + "')");
        return Succeed(command);
    }

    std::string names;
    for (const std::string& name : DriverFaultNames())
        names += (names.empty() ? "" : "|") + name;
    if (!HasArguments(args, 2, 2))
        return Fail("driver fault: give a fault and a value or 'off', e.g. 'driver fault BusyOnce 1' (" + names + ")");
    bool known = false;
    for (const std::string& name : DriverFaultNames()) {
        if (EqualsIgnoringCase(name, args[2])) {
            command.faultName = name;
            known = true;
        }
    }
    if (!known)
        return Fail("driver fault: unknown fault '" + args[2] + "' (" + names + ")");
    if (args[3] == "off") {
        command.faultOff = true;
    } else if (!ParseNumber(args[3], command.faultValue)) {
        return Fail("driver fault: '" + args[3] + "' is neither a 32-bit number nor 'off'");
    }
    return Succeed(command);
}

Parsed ParseSend(const std::vector<std::string>& args)
{
    Command command;
    command.verb = Verb::Send;
    if (args.size() < 2)
        return Fail("send: what? (" + Choices(kSignals) + ")");
    if (!Lookup(kSignals, args[1], command.signal))
        return Fail("send: unknown event '" + args[1] + "' (" + Choices(kSignals) + ")");
    if (!HasArguments(args, 2, 0))
        return Fail("send " + args[1] + ": takes no further argument ('" + args[2] + "')");
    return Succeed(command);
}

Parsed ParseFail(const std::vector<std::string>& args)
{
    Command command;
    command.verb = Verb::Fail;
    std::string names;
    for (const std::string& name : ModemExportNames())
        names += (names.empty() ? "" : "|") + name;
    if (args.size() < 2)
        return Fail("fail: which export? (" + names + ")");
    for (const std::string& name : ModemExportNames()) {
        if (EqualsIgnoringCase(name, args[1]))
            command.exportName = name;
    }
    if (command.exportName.empty())
        return Fail("fail: unknown export '" + args[1] + "' (" + names + ")");
    if (HasArguments(args, 2, 1) && args[2] == "off") {
        command.failOff = true;
        return Succeed(command);
    }
    if (!HasArguments(args, 2, 2))
        return Fail("fail: give a code and a number of calls, e.g. 'fail UIMGetPINStatus 8 2', or 'off'");
    if (!ParseNumber(args[2], command.failCode))
        return Fail("fail: '" + args[2] + "' is not a 32-bit code");
    if (!ParseDecimal(args[3], 0xFFFFFFFFu, command.failCount) || command.failCount == 0)
        return Fail("fail: '" + args[3] + "' is not a number of calls from 1");
    return Succeed(command);
}

} // namespace

const std::vector<std::string>& ModemExportNames()
{
    static const std::vector<std::string> names = {
        "QCWWAN2kEnumerateDevices",
        "QCWWAN2kConnect",
        "QCWWANDisconnect",
        "UIMChangePIN",
        "UIMGetPINStatus",
        "UIMSetPINProtection",
        "UIMUnblockPIN",
        "UIMVerifyPIN",
        "GetServiceAutomaticTracking",
        "SetServiceAutomaticTracking",
    };
    return names;
}

const std::vector<std::string>& DriverFaultNames()
{
    static const std::vector<std::string> names = {
        "RefuseSessions", "BusyOnce",    "BusyAlways",    "WritePayload",
        "WrongMagic",     "FailCapsule", "FeatureWord12", "FeatureWord14",
    };
    return names;
}

Parsed ParseArguments(const std::vector<std::string>& args)
{
    if (args.empty())
        return Fail("no command given");
    const std::string& verb = args[0];
    if (verb == "help" || verb == "-h" || verb == "--help") {
        if (!HasArguments(args, 1, 0))
            return Fail("help: takes no argument");
        return Succeed(Command());
    }
    if (verb == "show" || verb == "reset") {
        if (!HasArguments(args, 1, 0))
            return Fail(verb + ": takes no argument ('" + args[1] + "')");
        Command command;
        command.verb = verb == "show" ? Verb::Show : Verb::Reset;
        return Succeed(command);
    }
    if (verb == "power-cycle") {
        if (!HasArguments(args, 1, 0))
            return Fail("power-cycle: takes no argument ('" + args[1] + "')");
        Command command;
        command.verb = Verb::PowerCycle;
        return Succeed(command);
    }
    if (verb == "fail")
        return ParseFail(args);
    if (verb == "scenario")
        return ParseScenario(args);
    if (verb == "driver")
        return ParseDriver(args);
    if (verb == "send")
        return ParseSend(args);
    return Fail("unknown command '" + verb + "'");
}

const char* UsageText()
{
    return "usage: simctl COMMAND [ARGUMENTS]\n"
           "\n"
           "  show                      the simulated SIM, modem, ports, driver and whether Brindle runs\n"
           "  reset                     everything back to the defaults: a SIM that needs PIN1\n"
           "                            (PIN1 1234, unblock code 12345678), modem answering,\n"
           "                            ports COM5/COM7, driver serving, GPSOption 1\n"
           "  scenario no-card          no SIM in the modem\n"
           "  scenario pin-needed       PIN1 protection on, not verified, all attempts left\n"
           "  scenario ready            PIN1 verified: the SIM is usable\n"
           "  scenario blocked          PIN1 blocked: the unblock code is needed\n"
           "  scenario perm-blocked     unblock attempts used up: the SIM is locked for good\n"
           "  scenario gps-present      GPSOption 1 (Brindle reads it at start)\n"
           "  scenario gps-absent       GPSOption 0 (Brindle reads it at start)\n"
           "  scenario ports COMn COMm  the modem's DM port and NMEA port as WMI lists them\n"
           "  scenario modem-absent     no modem device\n"
           "  scenario modem-present    the modem is there and answers at once\n"
           "  scenario modem-slow N     the modem refuses the next N connects (Brindle tries 20,\n"
           "                            3 s apart)\n"
           "  power-cycle               the card loses power and gets it back: PIN1 must be\n"
           "                            verified again, codes and attempts stay, links end\n"
           "  fail EXPORT CODE N        the modem library's EXPORT answers CODE on its next N calls,\n"
           "                            then works again (e.g. fail UIMGetPINStatus 8 2)\n"
           "  fail EXPORT off           EXPORT works again at once\n"
           "  driver ok                 driver 1.0.8.0 serving, no faults\n"
           "  driver old                driver reports 1.0.7.0 (Brindle refuses to start)\n"
           "  driver absent             driver removed; driver present installs it again\n"
           "  driver present            driver installed and serving\n"
           "  driver busy               every driver request answers busy\n"
           "  driver fault NAME N|off   one of the driver's fault values (RefuseSessions, BusyOnce,\n"
           "                            BusyAlways, WritePayload, WrongMagic, FailCapsule,\n"
           "                            FeatureWord12, FeatureWord14)\n"
           "  send suspend|resume       power events, as Windows broadcasts them\n"
           "  send lock|unlock          session lock and unlock notifications\n"
           "  send taskbar-created      the shell's \"TaskbarCreated\" (Explorer restarted)\n"
           "  send device-refresh       the refresh message other programs send\n"
           "  send tray-click           a click on the tray icon (the menu opens)\n"
           "  send tray-double-click    a double click on the tray icon (the settings dialog)\n"
           "  send exit                 the menu's exit command; waits until Brindle has ended\n"
           "\n"
           "Exit code 0 done, 1 could not be done (e.g. Brindle not running), 2 bad arguments.\n"
           "SIM changes show in Brindle after 'send device-refresh' (or the next start).\n";
}

} // namespace simctl
