// Brings the modem from an unknown state to one the program can talk to,
// once per run when the main window is created.
#pragma once

// Reads the GPS option, waits for the modem's ports (GPS option only),
// reloads GobiApi.dll, gives the modem time to settle and tries to connect.
// Holds the service lock throughout. 1 connected; 0 failed, with cancelled
// set to 1 when it gave up because Windows is ending the logon.
int PrepareConnectModem(int& cancelled);
