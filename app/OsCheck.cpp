#include "app/OsCheck.h"

const wchar_t kCommonKeyPath[] = L"SOFTWARE\\Norvane\\Common";
const wchar_t kDisableFutureOSWarningValue[] = L"DisableFutureOSWarning";

namespace {

const DWORD kValueBufferBytes = 260;

} // namespace

bool IsFutureOsWarningDisabled(HKEY root, const wchar_t* path, REGSAM extraAccess)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | extraAccess, &key) != ERROR_SUCCESS)
        return false;
    BYTE data[kValueBufferBytes] = {};
    DWORD size = sizeof(data);
    DWORD type = REG_NONE;
    const LONG read = ::RegQueryValueExW(key, kDisableFutureOSWarningValue, nullptr, &type, data, &size);
    ::RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD)
        return false;
    DWORD value = 0;
    CopyMemory(&value, data, sizeof(value));
    return value == 1;
}

int AskFutureOsQuestion(const wchar_t* text, const wchar_t* caption)
{
    // The switch lives in the 64-bit view on a 64-bit Windows, where the
    // machine's administrator sets it, though this program is 32-bit.
    if (IsFutureOsWarningDisabled())
        return 1;
    if (text == nullptr || caption == nullptr)
        return 1;
    const int answer = ::MessageBoxW(nullptr, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST);
    return answer == IDNO ? 0 : 1;
}
