// Where the stand-in modem keeps its state; shared by the library and its
// test-side control so that both always agree.
#pragma once

namespace simmodem {

// Under HKEY_CURRENT_USER, which is one view for 32- and 64-bit programs, so
// the 64-bit reg.exe of a WoW64 prefix sees the same values.
constexpr const wchar_t* kModemKeyPath = L"Software\\BrindleSim\\Modem";

} // namespace simmodem
