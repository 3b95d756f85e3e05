// Points the debug log at a fresh temporary home folder for one test and
// reads back what landed in BRINDLELOG.txt.
#pragma once

#include "common/DebugLog.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class LogCapture {
public:
    explicit LogCapture(bool enable = true)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        folder_ = std::wstring(temp) + L"brindle-log-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++serial);
        CreateDirectoryW(folder_.c_str(), nullptr);
        Save(L"HOMEDRIVE", savedDrive_, hadDrive_);
        Save(L"HOMEPATH", savedPath_, hadPath_);
        PointAt(folder_);
        savedSwitch_ = g_debugPrintEnabled;
        g_debugPrintEnabled = enable ? 1 : 0;
    }

    ~LogCapture()
    {
        g_debugPrintEnabled = savedSwitch_;
        DeleteFileW(FilePath().c_str());
        RemoveDirectoryW(folder_.c_str());
        SetEnvironmentVariableW(L"HOMEDRIVE", hadDrive_ ? savedDrive_.c_str() : nullptr);
        SetEnvironmentVariableW(L"HOMEPATH", hadPath_ ? savedPath_.c_str() : nullptr);
    }

    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::wstring& Folder() const { return folder_; }
    std::wstring FilePath() const { return folder_ + L"\\BRINDLELOG.txt"; }

    // Splits a full path into HOMEDRIVE ("C:") and HOMEPATH ("\...").
    static void PointAt(const std::wstring& folder)
    {
        SetEnvironmentVariableW(L"HOMEDRIVE", folder.substr(0, 2).c_str());
        SetEnvironmentVariableW(L"HOMEPATH", folder.substr(2).c_str());
    }

    bool Exists() const { return GetFileAttributesW(FilePath().c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The file's bytes as they are on disk ("" when there is no file).
    std::string Raw() const
    {
        std::ifstream in(FilePath().c_str(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // Each line's message without the time and process prefix and without
    // its CR LF; a cut last line without an end is included too.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        std::string raw = Raw();
        std::size_t start = 0;
        while (start < raw.size()) {
            std::size_t end = raw.find("\r\n", start);
            std::string line = raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::size_t prefixEnd = line.find("]");
            messages.push_back(prefixEnd == std::string::npos ? line : line.substr(prefixEnd + 1));
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        return messages;
    }

    void Clear() const { DeleteFileW(FilePath().c_str()); }

private:
    static void Save(const wchar_t* name, std::wstring& value, bool& had)
    {
        wchar_t buf[1024];
        DWORD n = GetEnvironmentVariableW(name, buf, 1024);
        had = n > 0 && n < 1024;
        value = had ? buf : L"";
    }

    std::wstring folder_;
    std::wstring savedDrive_;
    std::wstring savedPath_;
    bool hadDrive_ = false;
    bool hadPath_ = false;
    std::uint32_t savedSwitch_ = 0;
};
