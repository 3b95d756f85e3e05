// A registry key that a test may change freely: everything in it (values
// and subkeys) is recorded when the holder is made and, once changed through
// the holder (or marked as changed by others), put back exactly, key absent
// included, when it goes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/Uncopyable.h"

namespace e2e {

struct RegistryKeyImage;

// view: KEY_WOW64_64KEY or KEY_WOW64_32KEY (0: this 32-bit process's own view).
class CScopedRegistryKey : CUncopyable {
public:
    CScopedRegistryKey(HKEY root, std::wstring path, REGSAM view = 0);
    ~CScopedRegistryKey();

    bool SetDword(const wchar_t* name, std::uint32_t value);
    bool SetString(const wchar_t* name, const std::wstring& value);
    bool SetSubkeyString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value);
    bool DeleteValue(const wchar_t* name);
    // false when the value is missing or not a DWORD.
    bool GetDword(const wchar_t* name, std::uint32_t& value) const;
    bool GetString(const wchar_t* name, std::wstring& value) const;
    // Removes the key and everything below it.
    void DeleteKey();
    // Puts the recorded state back now (the holder does it again when it goes).
    void Restore();
    // Someone else (the program under test) may write here: restore in any case.
    void MarkChanged() { m_changed = true; }

    const std::wstring& Path() const { return m_path; }

private:
    HKEY m_root;
    std::wstring m_path;
    REGSAM m_view;
    std::unique_ptr<RegistryKeyImage> m_saved;
    bool m_changed = false;
};

// Low-level helpers in a chosen view, for the knobs.
bool RegistrySetDword(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name, std::uint32_t value);
bool RegistrySetString(HKEY root, const std::wstring& path, REGSAM view, const wchar_t* name,
                       const std::wstring& value);
void RegistryDeleteTree(HKEY root, const std::wstring& path, REGSAM view);

} // namespace e2e
