// What the stand-in WMI serves: the Win32_PnPEntity objects a query returns
// and which namespace and query it answers at all. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simwmi {

// The driver service of the stand-in modem's serial ports.
constexpr const wchar_t* kModemService = L"qcusbserps2k";

// One property of an entity: missing from the object (Get fails), present
// with a NULL value (as Windows reports a device without a driver service),
// or a text.
struct PropertyValue {
    enum class Kind { kAbsent, kNull, kText };
    Kind kind = Kind::kAbsent;
    std::wstring text;
};

struct Entity {
    PropertyValue service; // "Service"
    PropertyValue caption; // "Caption"
};

// The values under the script key as read for one query.
struct WmiScript {
    std::optional<std::vector<std::wstring>> entities; // Entities; none: the default list
    std::uint32_t queriesBefore = 0;                   // Queries before this one
    std::uint32_t appearAfter = 0;
    std::uint32_t timeoutsBefore = 0;
    std::uint32_t failQuery = 0;
    std::uint32_t nextError = 0;
    std::uint32_t delayMs = 0;
    std::uint32_t objectResult = 0;
};

// One field of an entry: "" → absent, "(null)" → NULL, anything else → text.
PropertyValue ParseProperty(std::wstring_view field);
// "service|caption", split at the first '|'; an entry without '|' is a caption
// of an entity with no "Service".
Entity ParseEntity(std::wstring_view entry);

// Unrelated devices first (one with another service, one whose Service is
// NULL, one without the property), then the modem's DM port (COM5) and NMEA
// port (COM7), so that a client has to filter.
std::vector<Entity> DefaultEntities();

bool IsModemEntity(const Entity& entity);

// The entities one query returns: the scripted or default list, without the
// modem's entries while fewer than AppearAfter queries came before.
std::vector<Entity> EntitiesForQuery(const WmiScript& script);

// The property of that name (WMI names are case-insensitive), or nullptr.
const PropertyValue* FindProperty(const Entity& entity, std::wstring_view name);

// "ROOT\CIMV2" in any case; everything else is a namespace the stand-in lacks.
bool IsServedNamespace(std::wstring_view name);
bool IsWql(std::wstring_view language);
// "SELECT * FROM Win32_PnPEntity", in any case and spacing.
bool IsPnPEntityQuery(std::wstring_view query);

} // namespace simwmi
