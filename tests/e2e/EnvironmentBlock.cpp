#include "tests/e2e/EnvironmentBlock.h"

#include <algorithm>

namespace e2e {
namespace {

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

std::wstring FoldedName(const std::wstring& entry)
{
    // A leading '=' belongs to the name ("=C:=C:\dir"): search from the second character.
    const std::size_t equals = entry.find(L'=', 1);
    std::wstring name = entry.substr(0, equals);
    std::transform(name.begin(), name.end(), name.begin(), FoldAscii);
    return name;
}

} // namespace

std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block)
{
    std::vector<std::wstring> entries;
    for (const wchar_t* p = block; p && *p; p += entries.back().size() + 1)
        entries.emplace_back(p);
    return entries;
}

std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base, const EnvironmentOverrides& overrides)
{
    std::vector<std::wstring> entries;
    for (const std::wstring& entry : base) {
        const std::wstring name = FoldedName(entry);
        const bool replaced =
            std::any_of(overrides.begin(), overrides.end(), [&](const auto& o) { return FoldedName(o.first) == name; });
        if (!replaced && !entry.empty())
            entries.push_back(entry);
    }
    for (size_t i = 0; i < overrides.size(); ++i) {
        const std::wstring name = FoldedName(overrides[i].first);
        const bool overridden = std::any_of(overrides.begin() + i + 1, overrides.end(),
                                            [&](const auto& later) { return FoldedName(later.first) == name; });
        if (!overridden)
            entries.push_back(overrides[i].first + L"=" + overrides[i].second);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::wstring& a, const std::wstring& b) { return FoldedName(a) < FoldedName(b); });

    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

std::wstring EnvironmentValue(const std::vector<std::wstring>& entries, const std::wstring& name, bool* found)
{
    std::wstring wanted = name;
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), FoldAscii);
    for (const std::wstring& entry : entries) {
        if (FoldedName(entry) == wanted) {
            if (found)
                *found = true;
            return entry.substr(entry.find(L'=', 1) + 1);
        }
    }
    if (found)
        *found = false;
    return std::wstring();
}

} // namespace e2e
