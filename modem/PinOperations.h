// The PIN1 operations: each makes one UIM call of the loaded library (the
// link must be open) and turns its answer into a SIM result code. detail is
// written only together with SIM_FAILED.
#pragma once

// The mode follows from the texts: none = status query; first = verify
// PIN1; first and second = unblock with the PUK (first) and a new PIN1.
int AtCpin(const char* first, const char* second, int& detail);

// Changes PIN1 from current to newPin.
int AtCpwd(const char* current, const char* newPin, int& detail);

// No text: protection query. With PIN1: switch protection on (enable 1) or
// off (anything else).
int AtClck(const char* pin, int& detail, int enable);

// Attempts left for PIN1 and the PUK, written only on SIM_OK.
int AtOercn(int& detail, int& verifyLeft, int& unblockLeft);
