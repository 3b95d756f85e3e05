// Request kinds, result codes and detail codes of the SIM service. The
// windows read these numbers, so they are fixed.
#pragma once

// Request kinds (0 = no request yet).
const int SIM_REQUEST_NONE = 0;
const int SIM_REQUEST_PIN_STATUS = 1;
const int SIM_REQUEST_VERIFY_PIN = 2;
const int SIM_REQUEST_CHANGE_PIN = 3;
const int SIM_REQUEST_PIN_PROTECTION = 4;
const int SIM_REQUEST_SET_PIN_PROTECTION = 5;
const int SIM_REQUEST_UNBLOCK_PIN = 6;
const int SIM_REQUEST_PIN_RETRIES = 7;

// Results of the entry points and of the PIN operations.
const int SIM_OK = 0;
const int SIM_PIN_READY = 1;
const int SIM_PIN_VERIFY_REQUIRED = 2;
const int SIM_PUK_REQUIRED = 3;
const int SIM_PROTECTION_ON = 4;
const int SIM_PROTECTION_OFF = 5;
const int SIM_NO_DEVICE = 6;
const int SIM_BUSY = 8;
const int SIM_NOT_CONNECTED = 9;
const int SIM_BAD_PARAMETER = 10;
const int SIM_STATUS_FAILED = 12;
const int SIM_CONVERSION_FAILED = 13;
const int SIM_INVALID_REQUEST = 14;
const int SIM_NOT_INITIALIZED = 15;
const int SIM_PIN_BLOCKED = 17;
const int SIM_WRONG_CODE = 19;
const int SIM_FAILED = 22;

// Details, written to the caller's detail variable only with SIM_FAILED.
const int SIM_DETAIL_STATUS_QUERY = 0;
const int SIM_DETAIL_PROTECTION_QUERY = 1;
const int SIM_DETAIL_SET_PROTECTION = 2;
const int SIM_DETAIL_VERIFY = 3;
const int SIM_DETAIL_CHANGE = 4;
const int SIM_DETAIL_UNBLOCK = 5;
const int SIM_DETAIL_RETRIES = 6;
