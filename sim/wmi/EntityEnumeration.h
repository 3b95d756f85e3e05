// What the stand-in's enumerator answers to each IEnumWbemClassObject::Next,
// decided apart from COM so that the time-out and error script can be tested
// on its own. Not thread-safe: the enumerator object serialises its calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/wmi/WmiEntities.h"

namespace simwmi {

struct NextScript {
    std::uint32_t timeoutsBefore = 0; // WBEM_S_TIMEDOUT answers before each real answer
    std::uint32_t error = 0;          // non-zero: every call answers this, with no object
    std::uint32_t delayMs = 0;        // each call sleeps this long, at most its time-out
    std::uint32_t objectResult = 0;   // non-zero: the result of every answer with objects
};

struct NextAnswer {
    std::uint32_t result = 0;
    std::size_t first = 0; // the objects returned: entities [first, first + count)
    std::size_t count = 0;
    std::uint32_t sleepMs = 0; // how long the caller waits before answering
};

class EntityEnumeration {
public:
    EntityEnumeration(std::vector<Entity> entities, NextScript script);

    // timeoutMs as the caller passed it: kWbemInfinite or 0 and up.
    NextAnswer Next(std::int32_t timeoutMs, std::uint32_t wanted);

    const Entity& At(std::size_t index) const { return entities_[index]; }
    // Drops the entities; every later call sees the end of the enumeration.
    void Clear();

private:
    std::vector<Entity> entities_;
    NextScript script_;
    std::size_t position_ = 0;
    std::uint32_t timeoutsLeft_;
};

} // namespace simwmi
