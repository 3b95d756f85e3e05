#include "modem/GobiApi.h"

#include "common/DebugLog.h"
#include "modem/SimCodes.h"

#include <cstring>

GobiApiTable g_gobiApi = {};

GobiResult CallQCWWANDisconnect()
{
    if (g_gobiApi.QCWWANDisconnect == nullptr)
        return GOBI_MISSING_FUNCTION;
    return g_gobiApi.QCWWANDisconnect();
}

GobiResult QCWWANConnect()
{
    // Slots fill in table order, so a filled connect slot implies the
    // enumeration slot; both are checked because a test may fill the table.
    if (g_gobiApi.QCWWAN2kConnect == nullptr || g_gobiApi.QCWWAN2kEnumerateDevices == nullptr)
        return GOBI_MISSING_FUNCTION;

    GobiDeviceEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    std::uint8_t count = 1;
    GobiResult result = g_gobiApi.QCWWAN2kEnumerateDevices(&count, &entry);
    if (result != GOBI_SUCCESS) {
        DebugPrint(L"QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) result=%u\n", result);
        return result;
    }
    if (count == 0) {
        DebugPrint(L"QCWWANConnect() : FAIL (QCWWAN2kEnumerateDevices) dev_id_key_size = %u\n", 0u);
        return SIM_NO_DEVICE;
    }
    // The library may fill both fields to the brim; never hand it an
    // unterminated text.
    entry.deviceId[sizeof(entry.deviceId) - 1] = '\0';
    entry.deviceKey[sizeof(entry.deviceKey) - 1] = '\0';
    return g_gobiApi.QCWWAN2kConnect(entry.deviceId, entry.deviceKey);
}
