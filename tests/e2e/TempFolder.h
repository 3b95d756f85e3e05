// Files of one test: a folder of its own and reading what a program wrote.
#pragma once

#include <windows.h>

#include <string>

#include "common/Uncopyable.h"

namespace e2e {

// A folder of its own under the temporary folder; removed with its contents
// when the holder goes.
class CTempFolder : CUncopyable {
public:
    explicit CTempFolder(const wchar_t* prefix = L"e2e");
    ~CTempFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }
    // Keeps the folder on disk after the holder goes (to look at after a failure).
    void Keep() { m_keep = true; }

private:
    std::wstring m_path;
    bool m_keep = false;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);

} // namespace e2e
