#include "sim/wmi/WmiEntities.h"

#include <utility>

namespace simwmi {
namespace {

// WMI names are ASCII, so an ASCII fold is enough and needs no locale.
wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
}

bool EqualsFolded(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

// Runs of white space become one blank; none at either end.
std::wstring CollapseSpaces(std::wstring_view text)
{
    std::wstring out;
    bool pendingSpace = false;
    for (wchar_t c : text) {
        if (IsSpace(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace)
            out += L' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

Entity MakeEntity(const wchar_t* service, const wchar_t* caption)
{
    return ParseEntity(std::wstring(service) + L"|" + caption);
}

} // namespace

PropertyValue ParseProperty(std::wstring_view field)
{
    PropertyValue value;
    if (field.empty())
        return value;
    if (field == L"(null)") {
        value.kind = PropertyValue::Kind::kNull;
        return value;
    }
    value.kind = PropertyValue::Kind::kText;
    value.text = field;
    return value;
}

Entity ParseEntity(std::wstring_view entry)
{
    Entity entity;
    std::size_t bar = entry.find(L'|');
    if (bar == std::wstring_view::npos) {
        entity.caption = ParseProperty(entry);
        return entity;
    }
    entity.service = ParseProperty(entry.substr(0, bar));
    entity.caption = ParseProperty(entry.substr(bar + 1));
    return entity;
}

std::vector<Entity> DefaultEntities()
{
    return {MakeEntity(L"kbdhid", L"HID Keyboard Device"), MakeEntity(L"(null)", L"ACPI Fixed Feature Button"),
            MakeEntity(L"", L"Generic Non-PnP Monitor"), MakeEntity(kModemService, L"Sierra Wireless DM Port (COM5)"),
            MakeEntity(kModemService, L"Sierra Wireless NMEA Port (COM7)")};
}

bool IsModemEntity(const Entity& entity)
{
    return entity.service.kind == PropertyValue::Kind::kText && entity.service.text == kModemService;
}

std::vector<Entity> EntitiesForQuery(const WmiScript& script)
{
    std::vector<Entity> all;
    if (script.entities) {
        for (const std::wstring& entry : *script.entities)
            all.push_back(ParseEntity(entry));
    } else {
        all = DefaultEntities();
    }
    if (script.queriesBefore >= script.appearAfter)
        return all;
    std::vector<Entity> shown;
    for (Entity& entity : all)
        if (!IsModemEntity(entity))
            shown.push_back(std::move(entity));
    return shown;
}

const PropertyValue* FindProperty(const Entity& entity, std::wstring_view name)
{
    const PropertyValue* value = nullptr;
    if (EqualsFolded(name, L"Service"))
        value = &entity.service;
    else if (EqualsFolded(name, L"Caption"))
        value = &entity.caption;
    return value && value->kind != PropertyValue::Kind::kAbsent ? value : nullptr;
}

bool IsServedNamespace(std::wstring_view name)
{
    return EqualsFolded(name, L"ROOT\\CIMV2");
}

bool IsWql(std::wstring_view language)
{
    return EqualsFolded(language, L"WQL");
}

bool IsPnPEntityQuery(std::wstring_view query)
{
    return EqualsFolded(CollapseSpaces(query), L"SELECT * FROM Win32_PnPEntity");
}

} // namespace simwmi
