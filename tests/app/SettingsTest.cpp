// The tuning values and the debug-log switch as the shell reads them.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/Settings.h"
#include "common/DebugLog.h"
#include "common/FormatW.h"
#include "misccommon/RegAccess.h"
#include "tests/common/LogCapture.h"

namespace {

DWORD TuningSettings::*const kFields[] = {
    &TuningSettings::PinMin, &TuningSettings::PinMax,      &TuningSettings::PukMin,
    &TuningSettings::PukMax, &TuningSettings::ResumeDelay, &TuningSettings::ResumeTryCount,
};
const wchar_t* const kNames[] = {
    Settings::kPinMin, Settings::kPinMax,      Settings::kPukMin,
    Settings::kPukMax, Settings::kResumeDelay, Settings::kResumeTryCount,
};
const DWORD kDefaults[] = {4, 8, 8, 8, 5000, 12};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A product key of the test's own: the registry layer is opened on
// HKEY_CURRENT_USER with this base path, so it reads directly.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t base[64];
        FormatW(base, 64, L"Software\\BrindleTests\\Settings%lu", GetCurrentProcessId());
        basePath = base;
        productPath = basePath + L"\\brindle";
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, productPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_CURRENT_USER, basePath.c_str()));
        g_debugPrintEnabled = 0;
    }

    void TearDown() override
    {
        registry.Terminate();
        if (key != nullptr)
            RegCloseKey(key);
        RegDeleteKeyW(HKEY_CURRENT_USER, productPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, basePath.c_str());
        g_debugPrintEnabled = 0;
    }

    void SetDword(const wchar_t* name, DWORD value)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)));
    }

    void SetString(const wchar_t* name, const std::wstring& text)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
    }

    static TuningSettings Garbage()
    {
        TuningSettings settings;
        for (auto field : kFields)
            settings.*field = 0xDEADBEEF;
        return settings;
    }

    std::wstring basePath;
    std::wstring productPath;
    HKEY key = nullptr;
    CRegAccess registry;
};

TEST_F(SettingsTest, EmptyKeyGivesTheDefaults)
{
    TuningSettings settings = Garbage();
    ReadSettings(&registry, &settings);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(kDefaults[i], settings.*kFields[i]) << Narrow(kNames[i]);
}

TEST_F(SettingsTest, WithoutARegistryLayerEveryValueIsItsDefault)
{
    registry.Terminate();
    for (CRegAccess* layer : {static_cast<CRegAccess*>(nullptr), &registry}) {
        TuningSettings settings = Garbage();
        ReadSettings(layer, &settings);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(kDefaults[i], settings.*kFields[i])
                << Narrow(kNames[i]) << (layer == nullptr ? " (no layer)" : " (uninitialized)");
    }
}

TEST_F(SettingsTest, AValueOfAnotherTypeCountsAsMissingAndTheOthersAreStillRead)
{
    SetString(Settings::kPinMin, L"6");
    SetDword(Settings::kPinMax, 12);
    TuningSettings settings = Garbage();
    ReadSettings(&registry, &settings);
    EXPECT_EQ(4u, settings.PinMin);
    EXPECT_EQ(12u, settings.PinMax);
    EXPECT_EQ(8u, settings.PukMin);
}

struct PresentValue {
    size_t Index;
    DWORD Value;
};

class SettingsValueTest : public SettingsTest, public ::testing::WithParamInterface<PresentValue> {};

// Each value is used exactly as stored, without range checks, and one
// present value changes nothing about the others.
TEST_P(SettingsValueTest, PresentValueIsUsedUnchanged)
{
    const PresentValue present = GetParam();
    SetDword(kNames[present.Index], present.Value);
    TuningSettings settings = Garbage();
    ReadSettings(&registry, &settings);
    for (size_t i = 0; i < 6; ++i) {
        const DWORD expected = i == present.Index ? present.Value : kDefaults[i];
        EXPECT_EQ(expected, settings.*kFields[i])
            << Narrow(kNames[i]) << " with " << Narrow(kNames[present.Index]) << " = " << present.Value;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTuningValue, SettingsValueTest,
                         ::testing::Values(PresentValue{0, 0}, PresentValue{0, 8}, PresentValue{1, 4},
                                           PresentValue{1, 0xFFFFFFFF}, PresentValue{2, 0}, PresentValue{3, 12},
                                           PresentValue{4, 0}, PresentValue{4, 250}, PresentValue{5, 0},
                                           PresentValue{5, 100}));

// A code-length pair that no code can satisfy would lock the user out of
// PIN1: it counts as missing, both values take their defaults, and one line
// names what was read. A pair half read takes the other half's default.
struct LengthPairCase {
    size_t MinIndex; // 0 PinMin/PinMax, 2 PukMin/PukMax
    int Min;         // -1: not stored
    int Max;
    DWORD ExpectedMin;
    DWORD ExpectedMax;
    const char* Logged; // nullptr: nothing
};

class SettingsLengthPairTest : public SettingsTest, public ::testing::WithParamInterface<LengthPairCase> {};

TEST_P(SettingsLengthPairTest, APairNoCodeCanSatisfyFallsBackWhole)
{
    const LengthPairCase c = GetParam();
    LogCapture log;
    if (c.Min >= 0)
        SetDword(kNames[c.MinIndex], static_cast<DWORD>(c.Min));
    if (c.Max >= 0)
        SetDword(kNames[c.MinIndex + 1], static_cast<DWORD>(c.Max));
    TuningSettings settings = Garbage();
    ReadSettings(&registry, &settings);
    const std::string name =
        Narrow(kNames[c.MinIndex]) + " " + std::to_string(c.Min) + ", max " + std::to_string(c.Max);
    EXPECT_EQ(c.ExpectedMin, settings.*kFields[c.MinIndex]) << name;
    EXPECT_EQ(c.ExpectedMax, settings.*kFields[c.MinIndex + 1]) << name;
    const size_t other = c.MinIndex == 0 ? 2 : 0;
    EXPECT_EQ(kDefaults[other], settings.*kFields[other]) << name;
    EXPECT_EQ(kDefaults[other + 1], settings.*kFields[other + 1]) << name;
    EXPECT_EQ(c.Logged != nullptr ? std::vector<std::string>{c.Logged} : std::vector<std::string>{}, log.Messages())
        << name;
}

INSTANTIATE_TEST_SUITE_P(
    PinAndUnblockPairs, SettingsLengthPairTest,
    ::testing::Values(LengthPairCase{0, 9, 4, 4, 8, "ReadSettings:FAIL (PinMin 9 PinMax 4)"},
                      LengthPairCase{0, -1, 0, 4, 8, "ReadSettings:FAIL (PinMin 4 PinMax 0)"},
                      LengthPairCase{0, 9, -1, 4, 8, "ReadSettings:FAIL (PinMin 9 PinMax 8)"},
                      LengthPairCase{0, 261, 300, 4, 8, "ReadSettings:FAIL (PinMin 261 PinMax 300)"},
                      LengthPairCase{0, 0, 1, 0, 1, nullptr}, LengthPairCase{0, 6, 6, 6, 6, nullptr},
                      LengthPairCase{0, 260, 260, 260, 260, nullptr},
                      LengthPairCase{2, 9, 8, 8, 8, "ReadSettings:FAIL (PukMin 9 PukMax 8)"},
                      LengthPairCase{2, 0, 0, 8, 8, "ReadSettings:FAIL (PukMin 0 PukMax 0)"},
                      LengthPairCase{2, -1, 4, 8, 8, "ReadSettings:FAIL (PukMin 8 PukMax 4)"},
                      LengthPairCase{2, 0, 8, 0, 8, nullptr}, LengthPairCase{2, 10, 12, 10, 12, nullptr}));

struct DebugSwitchCase {
    const char* Name;
    int Kind; // 0 missing, 1 DWORD, 2 string "1"
    DWORD Value;
    std::uint32_t Expected;
};

class SettingsDebugSwitchTest : public SettingsTest, public ::testing::WithParamInterface<DebugSwitchCase> {};

TEST_P(SettingsDebugSwitchTest, OnlyExactlyOneSwitchesTheLogOn)
{
    const DebugSwitchCase c = GetParam();
    if (c.Kind == 1)
        SetDword(Settings::kDebugPrintEnable, c.Value);
    else if (c.Kind == 2)
        SetString(Settings::kDebugPrintEnable, L"1");
    ReadDebugSwitch(&registry);
    EXPECT_EQ(c.Expected, g_debugPrintEnabled) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsDebugSwitchTest,
                         ::testing::Values(DebugSwitchCase{"one", 1, 1, 1}, DebugSwitchCase{"two", 1, 2, 0},
                                           DebugSwitchCase{"zero", 1, 0, 0},
                                           DebugSwitchCase{"all bits", 1, 0xFFFFFFFF, 0},
                                           DebugSwitchCase{"missing", 0, 0, 0}, DebugSwitchCase{"string one", 2, 0, 0}),
                         [](const ::testing::TestParamInfo<DebugSwitchCase>& info) {
                             std::string name = info.param.Name;
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

} // namespace
