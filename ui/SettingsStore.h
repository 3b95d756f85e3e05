// The product key's values as the dialogs need them. The registry layer is
// adapted to this interface; the dialogs reach whichever store is installed
// for the process, and do without when none is. Portable: no Windows types.
#pragma once

#include <cstdint>

class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;

    // Each returns 0 on success and a non-zero registry-layer code otherwise.
    virtual std::uint32_t QueryDword(const wchar_t* valueName, std::uint32_t& value) = 0;
    virtual std::uint32_t SetDword(const wchar_t* valueName, std::uint32_t value) = 0;
    // size: in, the buffer's capacity in bytes; out, as the layer reports it.
    // The text is not guaranteed to be terminated when it fills the buffer.
    virtual std::uint32_t QueryString(const wchar_t* valueName, wchar_t* buffer, std::uint32_t& size) = 0;
};

// The process's store, or nullptr while there is none.
ISettingsStore* GetSettingsStore();

// Installs store (nullptr removes it) and returns the one it replaced. The
// store must outlive its installation.
ISettingsStore* SetSettingsStore(ISettingsStore* store);
