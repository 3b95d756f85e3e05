// Where the stand-in WMI keeps its script; shared by the server and its
// test-side control so that both always agree on the names.
#pragma once

namespace simwmi {

// Under HKEY_CURRENT_USER, one view for 32- and 64-bit programs, so the
// 64-bit reg.exe of a WoW64 prefix sees the same values as the 32-bit DLL.
constexpr const wchar_t* kWmiKeyPath = L"Software\\BrindleSim\\Wmi";

// REG_MULTI_SZ, one "service|caption" per entity (see ParseEntity); when
// missing, the default list (DefaultEntities).
constexpr const wchar_t* kEntities = L"Entities";
// DWORDs.
constexpr const wchar_t* kAppearAfter = L"AppearAfter";       // modem hidden from N queries
constexpr const wchar_t* kQueries = L"Queries";               // ExecQuery calls so far
constexpr const wchar_t* kTimeoutsBefore = L"TimeoutsBefore"; // WBEM_S_TIMEDOUT per answer
constexpr const wchar_t* kFailConnect = L"FailConnect";       // ConnectServer's HRESULT
constexpr const wchar_t* kFailQuery = L"FailQuery";           // ExecQuery's HRESULT
constexpr const wchar_t* kNextError = L"NextError";           // every Next's HRESULT
constexpr const wchar_t* kDelay = L"Delay";                   // ms each Next sleeps
// Non-zero: the result every answer that hands out objects carries instead of
// its own, as a broken provider might send.
constexpr const wchar_t* kObjectResult = L"ObjectResult";
// Written by the server: Release calls on objects already released.
constexpr const wchar_t* kOverReleases = L"OverReleases";

} // namespace simwmi
