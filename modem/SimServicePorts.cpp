// The service's knowledge of the modem's COM ports.
#include "modem/SimService.h"

#include "modem/WmiOptionAppPortFinder.h"

int CSimService::FindModemPorts()
{
    // The NMEA number shown is the one found together with the DM port;
    // both are forgotten only when the modem is disconnected.
    if (m_dmPort != -1)
        return 1;
    CWmiOptionAppPortFinder finder;
    if (finder.Find() == 0)
        return 0;
    m_dmPort = finder.GetDmPort();
    m_nmeaPort = finder.GetNmeaPort();
    return m_dmPort != -1 ? 1 : 0;
}
