// What the GPS, port and preparation tests share: the recorded waits, the
// product key on the registry layer's direct route
// (HKCU\Software\BrindleTest\brindle), the stand-in modem and the stand-in
// WMI reset for every test, and the debug log captured.
#pragma once

#include "misccommon/RegAccess.h"
#include "modem/SimService.h"
#include "sim/gobiapi/SimModemControl.h"
#include "sim/wmi/SimWmiControl.h"
#include "tests/common/LogCapture.h"
#include "tests/support/RecordedDelays.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gpstest {

const wchar_t* const kBasePath = L"Software\\BrindleTest";
const wchar_t* const kProductKey = L"Software\\BrindleTest\\brindle";

// The product key, read and written with the registry API so that the checks
// do not depend on the layer under test, and the layer's process-wide
// instance opened on it.
class TestSettings {
public:
    TestSettings()
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            RegCloseKey(key);
        layer_ = std::make_unique<CRegAccess>();
        initialized_ = layer_->Initialize(HKEY_CURRENT_USER, kBasePath);
    }

    ~TestSettings()
    {
        layer_->Terminate();
        layer_.reset();
        RegDeleteKeyW(HKEY_CURRENT_USER, kProductKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, kBasePath);
    }

    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;

    std::uint32_t InitializeResult() const { return initialized_; }

    void SetDword(const wchar_t* name, DWORD value) { WriteValue(name, REG_DWORD, &value, sizeof(value)); }

    void SetString(const wchar_t* name, const std::wstring& text)
    {
        WriteValue(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    std::optional<DWORD> Dword(const wchar_t* name) const
    {
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS || type != REG_DWORD)
            return std::nullopt;
        return value;
    }

private:
    void WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, &key));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
        RegCloseKey(key);
    }

    std::unique_ptr<CRegAccess> layer_;
    std::uint32_t initialized_ = 0;
};

// A fresh service, modem, WMI and product key for each test.
class BenchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.DisconnectModem();
        simmodem::Reset();
        ASSERT_TRUE(simmodem::UseVariant(L"full"));
        simwmi::Reset();
        ASSERT_TRUE(simwmi::RegisterServer());
        settings = std::make_unique<TestSettings>();
        ASSERT_EQ(0u, settings->InitializeResult()) << "the registry layer's direct route";
        ASSERT_NE(nullptr, CRegAccess::Instance()) << "the layer registers itself as the process's";
        log.Clear();
    }

    void TearDown() override
    {
        g_onWait = nullptr;
        service.DisconnectModem();
        settings.reset();
        simmodem::Reset();
        simwmi::Reset();
    }

    // The library with the tracking functions, as after a GPS preparation.
    void LoadWithGps()
    {
        service.SetGpsOption(1);
        ASSERT_EQ(0, service.LoadQMI()) << ::testing::PrintToString(log.Messages());
        log.Clear();
    }

    std::vector<std::string> Log() const { return log.Messages(); }

    CSimService& service = CSimService::Instance();
    std::unique_ptr<TestSettings> settings;
    LogCapture log;
    RecordedDelays delays;
};

} // namespace gpstest
