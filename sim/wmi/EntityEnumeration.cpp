#include "sim/wmi/EntityEnumeration.h"

#include <algorithm>
#include <utility>

#include "sim/wmi/WbemCodes.h"

namespace simwmi {

EntityEnumeration::EntityEnumeration(std::vector<Entity> entities, NextScript script)
    : entities_(std::move(entities)), script_(script), timeoutsLeft_(script.timeoutsBefore)
{
}

NextAnswer EntityEnumeration::Next(std::int32_t timeoutMs, std::uint32_t wanted)
{
    NextAnswer answer;
    if (timeoutMs < 0 && timeoutMs != kWbemInfinite) {
        answer.result = kWbemInvalidParameter;
        return answer;
    }
    answer.sleepMs =
        timeoutMs == kWbemInfinite ? script_.delayMs : std::min(script_.delayMs, static_cast<std::uint32_t>(timeoutMs));
    if (script_.error != 0) {
        answer.result = script_.error;
        return answer;
    }
    if (wanted == 0) {
        answer.result = kWbemNoError;
        return answer;
    }
    // A caller prepared to wait for ever sits through the slow spell instead of
    // being told about it.
    if (timeoutMs == kWbemInfinite)
        timeoutsLeft_ = 0;
    if (timeoutsLeft_ > 0) {
        --timeoutsLeft_;
        answer.result = kWbemTimedOut;
        return answer;
    }
    timeoutsLeft_ = script_.timeoutsBefore;
    answer.first = position_;
    answer.count = std::min<std::size_t>(wanted, entities_.size() - position_);
    position_ += answer.count;
    answer.result = answer.count == wanted ? kWbemNoError : kWbemFalse;
    if (answer.count != 0 && script_.objectResult != 0)
        answer.result = script_.objectResult;
    return answer;
}

void EntityEnumeration::Clear()
{
    std::vector<Entity>().swap(entities_);
    position_ = 0;
}

} // namespace simwmi
