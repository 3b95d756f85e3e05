#include "sim/simctl/SimctlPlan.h"

namespace simctl {
namespace {

constexpr char kModemService[] = "qcusbserps2k";
constexpr char kDmPortPrefix[] = "Sierra Wireless DM Port (COM";
constexpr char kNmeaPortPrefix[] = "Sierra Wireless NMEA Port (COM";

Change Dword(Store store, const char* name, std::uint32_t value)
{
    Change change;
    change.store = store;
    change.kind = ChangeKind::SetDword;
    change.name = name;
    change.value = value;
    return change;
}

Change Text(Store store, const char* name, const char* text)
{
    Change change;
    change.store = store;
    change.kind = ChangeKind::SetText;
    change.name = name;
    change.text = text;
    return change;
}

Change Delete(Store store, const char* name)
{
    Change change;
    change.store = store;
    change.kind = ChangeKind::DeleteValue;
    change.name = name;
    return change;
}

// A card in the modem with its counters back at their defaults: what the
// PIN scenarios start from. A status override would hide every one of them.
void CardWithFreshCounters(std::vector<Change>& changes)
{
    changes.push_back(Dword(Store::Modem, "CardPresent", 1));
    changes.push_back(Delete(Store::Modem, "StatusOverride"));
    changes.push_back(Delete(Store::Modem, "PinLeft"));
    changes.push_back(Delete(Store::Modem, "PukLeft"));
}

} // namespace

std::vector<Change> ScenarioChanges(const Command& command)
{
    std::vector<Change> changes;
    if (command.verb != Verb::Scenario)
        return changes;
    switch (command.scenario) {
    case Scenario::NoCard:
        changes.push_back(Dword(Store::Modem, "CardPresent", 0));
        break;
    case Scenario::PinNeeded:
        CardWithFreshCounters(changes);
        changes.push_back(Dword(Store::Modem, "PinProtection", 1));
        changes.push_back(Dword(Store::Modem, "PinVerified", 0));
        break;
    case Scenario::Ready:
        CardWithFreshCounters(changes);
        changes.push_back(Dword(Store::Modem, "PinProtection", 1));
        changes.push_back(Dword(Store::Modem, "PinVerified", 1));
        break;
    case Scenario::Blocked:
        CardWithFreshCounters(changes);
        changes.push_back(Dword(Store::Modem, "PinVerified", 0));
        changes.push_back(Dword(Store::Modem, "PinLeft", 0));
        break;
    case Scenario::PermBlocked:
        CardWithFreshCounters(changes);
        changes.push_back(Dword(Store::Modem, "PinVerified", 0));
        changes.push_back(Dword(Store::Modem, "PinLeft", 0));
        changes.push_back(Dword(Store::Modem, "PukLeft", 0));
        break;
    case Scenario::GpsPresent:
        changes.push_back(Dword(Store::ProductKey, "GPSOption", 1));
        break;
    case Scenario::GpsAbsent:
        changes.push_back(Dword(Store::ProductKey, "GPSOption", 0));
        break;
    case Scenario::Ports: {
        Change list;
        list.store = Store::Wmi;
        list.kind = ChangeKind::SetEntities;
        list.name = "Entities";
        list.entries = PortEntities(command.dmPort, command.nmeaPort);
        changes.push_back(list);
        break;
    }
    case Scenario::ModemAbsent:
        changes.push_back(Dword(Store::Modem, "DeviceCount", 0));
        break;
    case Scenario::ModemPresent:
        changes.push_back(Delete(Store::Modem, "DeviceCount"));
        changes.push_back(Delete(Store::Modem, "ConnectFailures"));
        break;
    case Scenario::ModemSlow:
        changes.push_back(Delete(Store::Modem, "DeviceCount"));
        changes.push_back(Dword(Store::Modem, "ConnectFailures", command.connectFailures));
        break;
    }
    return changes;
}

std::vector<Change> FailChanges(const Command& command)
{
    if (command.verb != Verb::Fail)
        return {};
    const std::string code = "Fail." + command.exportName;
    const std::string count = "FailCount." + command.exportName;
    if (command.failOff)
        return {Delete(Store::Modem, code.c_str()), Delete(Store::Modem, count.c_str())};
    // The count first: a call in between must not find a failure without it,
    // which would mean failing for good.
    return {Dword(Store::Modem, count.c_str(), command.failCount), Dword(Store::Modem, code.c_str(), command.failCode)};
}

std::vector<Change> DefaultProductKey()
{
    return {
        Dword(Store::ProductKey, "GPSOption", 1),
        Text(Store::ProductKey, "Version", "Version 1.0.0"),
        Text(Store::ProductKey, "Copyright", "Copyright (C) Norvane"),
        Dword(Store::ProductKey, "BRINDLEReleaseDebugPrintEnable", 1),
    };
}

std::vector<std::string> PortEntities(std::uint32_t dmPort, std::uint32_t nmeaPort)
{
    // Other serial devices first, so that the program still has to pick the
    // modem's ports by service and name.
    return {
        "Serial|Communications Port (COM1)",
        std::string(kModemService) + "|Sierra Wireless Modem",
        std::string(kModemService) + "|" + kDmPortPrefix + std::to_string(dmPort) + ")",
        std::string(kModemService) + "|" + kNmeaPortPrefix + std::to_string(nmeaPort) + ")",
    };
}

namespace {

// "COM5" from "Sierra Wireless DM Port (COM5)"; empty when caption does not
// start with prefix.
std::string PortOf(const std::string& caption, const std::string& prefix)
{
    if (caption.compare(0, prefix.size(), prefix) != 0)
        return std::string();
    const std::size_t start = prefix.size() - 3; // keeps "COM"
    const std::size_t close = caption.find(')', prefix.size());
    if (close == std::string::npos || close == prefix.size())
        return std::string();
    return caption.substr(start, close - start);
}

} // namespace

ModemPorts FindModemPorts(const std::vector<std::string>& entries)
{
    ModemPorts ports;
    const std::string service = std::string(kModemService) + "|";
    for (const std::string& entry : entries) {
        if (entry.compare(0, service.size(), service) != 0)
            continue;
        const std::string caption = entry.substr(service.size());
        if (ports.dm.empty())
            ports.dm = PortOf(caption, kDmPortPrefix);
        if (ports.nmea.empty())
            ports.nmea = PortOf(caption, kNmeaPortPrefix);
    }
    return ports;
}

std::string DescribeCard(const simmodem::SimCard& card)
{
    if (!card.present)
        return "no card in the modem";
    std::uint32_t status = 0;
    simmodem::QueryPinStatus(card, status);
    std::string text;
    switch (status) {
    case simmodem::kStatusEnabledNotVerified:
        text = "PIN1 needs verification";
        break;
    case simmodem::kStatusEnabledVerified:
        text = "PIN1 verified, usable";
        break;
    case simmodem::kStatusDisabled:
        text = "PIN1 protection off, usable";
        break;
    case simmodem::kStatusBlocked:
        text = "PIN1 blocked, the unblock code is needed";
        break;
    case simmodem::kStatusPermanentlyBlocked:
        text = "permanently blocked, unblock attempts used up";
        break;
    default:
        text = "unknown status";
        break;
    }
    text += " (status " + std::to_string(status) + (card.hasStatusOverride ? ", overridden)" : ")");
    return text;
}

} // namespace simctl
