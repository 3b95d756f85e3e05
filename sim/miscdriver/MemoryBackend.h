#pragma once
// An in-memory registry and fault configuration behind the driver core, for
// tests and fuzzing: what the kernel driver keeps under HKEY_LOCAL_MACHINE and
// its configuration key, kept in maps. Key paths and value names compare
// without regard to ASCII case, as the registry's do.

#include <stdint.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "MiscDriverBackend.h"

namespace MiscDriver {

class CMemoryBackend {
public:
    CMemoryBackend();
    CMemoryBackend(const CMemoryBackend&) = delete;
    CMemoryBackend& operator=(const CMemoryBackend&) = delete;

    // Valid as long as this object lives.
    const MiscDriverBackend* Backend() const { return &_backend; }

    void SetValue(const std::u16string& path, const std::u16string& name, uint32_t type,
                  const std::vector<uint8_t>& data);
    void SetDword(const std::u16string& path, const std::u16string& name, uint32_t value);
    // A string value with its terminator, as RegSetValueEx stores REG_SZ.
    void SetString(const std::u16string& path, const std::u16string& name, const std::u16string& text);
    bool GetValue(const std::u16string& path, const std::u16string& name, uint32_t* type,
                  std::vector<uint8_t>* data) const;
    size_t ValueCount() const { return _values.size(); }
    void ClearValues() { _values.clear(); }

    void SetFault(MiscDriverFault fault, uint32_t value);
    void RemoveFault(MiscDriverFault fault);
    bool HasFault(MiscDriverFault fault) const;

    // Every registry operation fails with this status while it is not success.
    MiscDriverStatus RegistryFailure = kStatusSuccess;
    int Writes = 0;
    int Queries = 0;
    // The last texts the core handed over, for checking what reached the registry.
    std::u16string LastPath;
    std::u16string LastName;

private:
    struct Value {
        uint32_t Type;
        std::vector<uint8_t> Data;
    };
    using Key = std::pair<std::u16string, std::u16string>;

    static Key MakeKey(const std::u16string& path, const std::u16string& name);
    static std::u16string FromText(MiscDriverText text);

    static MiscDriverStatus WriteDword(void* context, MiscDriverText path, MiscDriverText name, uint32_t value);
    static MiscDriverStatus QueryValue(void* context, MiscDriverText path, MiscDriverText name, uint32_t* type,
                                       uint32_t* length, uint8_t* data, uint32_t capacity);
    static bool ReadFault(void* context, MiscDriverFault fault, uint32_t* value);
    static void ClearFault(void* context, MiscDriverFault fault);

    MiscDriverBackend _backend;
    std::map<Key, Value> _values;
    std::map<MiscDriverFault, uint32_t> _faults;
};

} // namespace MiscDriver
