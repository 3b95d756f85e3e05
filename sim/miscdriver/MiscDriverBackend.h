#pragma once
// What the stand-in driver's core needs from whoever hosts it: the registry it
// serves, and its own fault configuration. The kernel driver answers with Zw*
// calls, the tests with an in-memory map. Plain function pointers, so the core
// stays freestanding.

#include <stdint.h>

#include "MiscDriverStatus.h"

namespace MiscDriver {

// Faults a test can switch on, each a DWORD under the stand-in's configuration
// key; absent or 0 means off.
enum MiscDriverFault : uint32_t {
    kFaultRefuseSessions = 0, // the session probe answers "not supported"; capsules in clear
    kFaultBusyOnce,           // the next misc call answers "busy"; the value is then removed
    kFaultBusyAlways,         // every misc call answers "busy"
    kFaultWritePayload,       // a registry write answers with that many payload bytes
    kFaultWrongMagic,         // registry query answers carry a wrong magic
    kFaultFailCapsule,        // every capsule fails with that NTSTATUS
    kFaultFeatureWord12,      // replaces the feature word at offset 12
    kFaultFeatureWord14,      // replaces the feature word at offset 14
    kFaultCount
};

// The fault's value name, ASCII ("RefuseSessions", ...); null when out of range.
const char* MiscDriverFaultName(MiscDriverFault fault);

// A registry path or value name as received: UTF-16LE code units, without the
// terminator, at any byte alignment.
struct MiscDriverText {
    const uint8_t* Units;
    uint32_t Length; // in code units
};

struct MiscDriverBackend {
    void* Context;
    // Stores a REG_DWORD under HKEY_LOCAL_MACHINE\path, creating the key.
    MiscDriverStatus (*WriteDword)(void* context, MiscDriverText path, MiscDriverText name, uint32_t value);
    // Reads a value of any type: *type and *length always, the data into
    // `data` only when length <= capacity. kStatusNotFound for a missing key
    // or value.
    MiscDriverStatus (*QueryValue)(void* context, MiscDriverText path, MiscDriverText name, uint32_t* type,
                                   uint32_t* length, uint8_t* data, uint32_t capacity);
    // True with the value when the fault's DWORD is present.
    bool (*ReadFault)(void* context, MiscDriverFault fault, uint32_t* value);
    void (*ClearFault)(void* context, MiscDriverFault fault);
};

} // namespace MiscDriver
