// How the status and protection queries read the card's PIN1 status value.
#pragma once

#include <cstdint>

// SIM_PIN_READY, SIM_PIN_VERIFY_REQUIRED or SIM_PUK_REQUIRED; SIM_FAILED
// with detail SIM_DETAIL_STATUS_QUERY for a status it does not know. A
// permanently blocked card reads as ready: only its PUK attempts tell.
int StatusQueryResult(std::uint32_t status, int& detail);

// SIM_PROTECTION_ON or SIM_PROTECTION_OFF; SIM_FAILED with detail
// SIM_DETAIL_PROTECTION_QUERY for a status it does not know.
int ProtectionQueryResult(std::uint32_t status, int& detail);
