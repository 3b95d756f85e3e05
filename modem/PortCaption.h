// Which of the modem's serial ports a Plug and Play entity is, from its
// driver service and caption ("Sierra Wireless DM Port (COM5)"). Portable:
// no Windows header.
#pragma once

#include <cstdint>
#include <string_view>

enum class PortMatch { kNone, kDmPort, kNmeaPort };

struct PortPrefixes {
    std::wstring_view serviceName; // compared exactly, case included
    std::wstring_view dmPrefix;
    std::wstring_view nmeaPrefix;
};

// Examines one entity. A matching caption must have a decimal digit right
// after its prefix; the number read from there is stored in dmPort or
// nmeaPort. A caption that begins with both prefixes sets the DM number
// and counts as the NMEA port when a number follows the NMEA prefix too.
PortMatch ExaminePortEntity(const PortPrefixes& prefixes, std::wstring_view service, std::wstring_view caption,
                            std::int32_t& dmPort, std::int32_t& nmeaPort);
