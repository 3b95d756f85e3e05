// The dialogs' view of the product key, served by the process's registry layer.
#pragma once

#include "ui/SettingsStore.h"

#include <cstdint>

class CRegSettingsStore : public ISettingsStore {
public:
    // Each answers RegResult::kNotInitialized while there is no registry layer.
    std::uint32_t QueryDword(const wchar_t* valueName, std::uint32_t& value) override;
    std::uint32_t SetDword(const wchar_t* valueName, std::uint32_t value) override;
    std::uint32_t QueryString(const wchar_t* valueName, wchar_t* buffer, std::uint32_t& size) override;
};
