// The registry values behind each scenario and behind the defaults, as a
// list of changes worked out before any is made. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/gobiapi/SimCard.h"
#include "sim/simctl/SimctlCommand.h"

namespace simctl {

enum class Store {
    Modem,      // HKCU\Software\BrindleSim\Modem
    ProductKey, // HKLM\SOFTWARE\Norvane\brindle, 64-bit view
    Wmi,        // HKCU\Software\BrindleSim\Wmi
};

enum class ChangeKind { SetDword, SetText, DeleteValue, SetEntities };

struct Change {
    Store store = Store::Modem;
    ChangeKind kind = ChangeKind::SetDword;
    std::string name;
    std::uint32_t value = 0;
    std::string text;
    std::vector<std::string> entries; // SetEntities: "service|caption" each
};

// The changes one `scenario` command makes; empty for any other command.
std::vector<Change> ScenarioChanges(const Command& command);

// The changes one `fail` command makes; empty for any other command.
std::vector<Change> FailChanges(const Command& command);

// What the program finds in its product key on a fresh run: the GPS option,
// the About dialog's texts and the debug log switched on.
std::vector<Change> DefaultProductKey();

// The WMI entity list with the modem's ports at those numbers, among
// devices that are not the modem's.
std::vector<std::string> PortEntities(std::uint32_t dmPort, std::uint32_t nmeaPort);

// The modem's ports ("COM5") in such a list, empty when it has none.
struct ModemPorts {
    std::string dm;
    std::string nmea;
};
ModemPorts FindModemPorts(const std::vector<std::string>& entries);

// One line about the card as the modem reports it, e.g. "PIN1 needs
// verification", with the raw status in brackets.
std::string DescribeCard(const simmodem::SimCard& card);

} // namespace simctl
