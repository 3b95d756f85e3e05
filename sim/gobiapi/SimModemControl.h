// Test-side control of the stand-in modem library GobiApi.dll: the simulated
// modem keeps its state in HKEY_CURRENT_USER\Software\BrindleSim\Modem, so a
// test sets it up here (or with reg.exe) and the library reads it on every call.
#pragma once

#include <cstdint>
#include <string>

namespace simmodem {

// Deletes the whole key: every value back to its default, call counters 0.
void Reset();

void SetValue(const wchar_t* name, std::uint32_t value);
void SetText(const wchar_t* name, const wchar_t* value);
std::uint32_t GetValue(const wchar_t* name, std::uint32_t fallback);
std::wstring GetText(const wchar_t* name, const wchar_t* fallback);
void ClearValue(const wchar_t* name);

// Sets Fail.<exportName>: that export answers code and does nothing else.
void FailCall(const char* exportName, std::uint32_t code);
// Fails the next count calls of that export with code, then lets it answer
// again (Fail.<exportName> and FailCount.<exportName>).
void FailCalls(const char* exportName, std::uint32_t code, std::uint32_t count);
// Takes power from the card and gives it back: PIN1 must be verified again,
// the codes and counters stay, and every open link ends.
void PowerCycle();
// Reads Calls.<exportName>, the number of calls of that export since Reset().
std::uint32_t CallCount(const char* exportName);

// Points the DLL search (SetDllDirectoryW) at one build of the stand-in:
// L"full", L"no-<ExportName>" (that export left out) or L"none" (no library
// at all), so that LoadLibraryW(L"GobiApi.dll") finds it. Returns false when
// the name is unknown or that build is missing.
// A process keeps the first GobiApi.dll it loaded until it is freed: switch
// variants only while no GobiApi.dll is loaded.
bool UseVariant(const wchar_t* variant);

} // namespace simmodem
