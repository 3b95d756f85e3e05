// The registry layer: its life cycle and result codes, the shared channel's
// reference counting, the driver route over the stand-in core with its
// in-memory registry, and the direct route on a key of the test's own.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "FakeMiscDevice.h"
#include "MiscCommonTestPeer.h"
#include "common/FormatW.h"
#include "misccommon/MiscCommon.h"
#include "misccommon/RegAccess.h"
#include "misccommon/SharedChannel.h"

namespace MiscCommon {
namespace {

const std::u16string kProductPath = u"SOFTWARE\\Norvane\\brindle";

// Every caller reads these numbers, so each constant is pinned to its number.
TEST(RegResultTest, CodesKeepTheirNumbers)
{
    using namespace RegResult;
    const std::pair<std::uint32_t, std::uint32_t> pinned[] = {{kOk, 0},
                                                              {kNotInitialized, 0x80000001},
                                                              {kAlreadyInitialized, 0x80000002},
                                                              {kBufferTooSmall, 0x80000003},
                                                              {kMissingArgument, 0x80000004},
                                                              {kOpenKeyFailed, 0x80000005},
                                                              {kReadFailed, 0x80000007},
                                                              {kWriteFailed, 0x80000008},
                                                              {kNoValue, 0x80000009},
                                                              {kWrongType, 0x8000000A},
                                                              {kChannelFailed, 0xFFFFFFFF}};
    for (const auto& [code, number] : pinned)
        EXPECT_EQ(number, code) << "the code for 0x" << std::hex << number;
}

CFakeMiscDevice* g_device = nullptr;

// The shared channel owns its device; this one hands every call on to the
// test's fake, which outlives it.
class CForwardingDevice : public IMiscDevice {
public:
    explicit CForwardingDevice(CFakeMiscDevice* target) : _target(target) {}
    MiscFindResult FindFirstInterface(wchar_t* versionText, DWORD versionBytes) override
    {
        return _target->FindFirstInterface(versionText, versionBytes);
    }
    HANDLE OpenFoundInterface() override { return _target->OpenFoundInterface(); }
    BOOL Control(HANDLE device, DWORD code, const void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* bytesReturned) override
    {
        return _target->Control(device, code, input, inputSize, output, outputSize, bytesReturned);
    }
    void Close(HANDLE device) override { _target->Close(device); }

private:
    CFakeMiscDevice* _target;
};

std::unique_ptr<IMiscDevice> MakeTestDevice()
{
    if (g_device == nullptr)
        return nullptr;
    return std::unique_ptr<IMiscDevice>(new CForwardingDevice(g_device));
}

std::string Hex32(std::uint32_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%08X", value);
    return text;
}

#define EXPECT_RESULT(expected, actual) EXPECT_EQ(Hex32(expected), Hex32(actual))

class RegAccessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device.reset(new CFakeMiscDevice());
        g_device = device.get();
        previousFactory = SetChannelDeviceFactory(&MakeTestDevice);
    }

    void TearDown() override
    {
        EXPECT_EQ(nullptr, SharedChannel()) << "a test left the shared channel open";
        SetChannelDeviceFactory(previousFactory);
        g_device = nullptr;
    }

    size_t Handshakes() const { return device->RequestsOf(RequestKind::Phase1).size(); }
    size_t SessionCloses() const { return device->RequestsOf(RequestKind::SessionClose).size(); }

    std::unique_ptr<CFakeMiscDevice> device;
    ChannelDeviceFactory previousFactory = nullptr;
};

TEST_F(RegAccessTest, InstanceIsTheLastOneBuiltUntilItIsDestroyed)
{
    EXPECT_EQ(nullptr, CRegAccess::Instance());
    {
        CRegAccess registry;
        EXPECT_EQ(&registry, CRegAccess::Instance());
    }
    EXPECT_EQ(nullptr, CRegAccess::Instance());
}

TEST_F(RegAccessTest, SecondInitializeIsRefusedAndTakesNoReference)
{
    CRegAccess registry;
    EXPECT_RESULT(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_RESULT(RegResult::kAlreadyInitialized, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_EQ(1, SharedChannelReferences());
    EXPECT_EQ(1u, Handshakes());

    registry.Terminate();
    EXPECT_EQ(nullptr, SharedChannel()) << "the only reference is gone";
    EXPECT_EQ(1u, SessionCloses());
    EXPECT_EQ(1, device->CloseCalls);
    registry.Terminate();
    EXPECT_EQ(1u, SessionCloses()) << "Terminate when not initialized does nothing";
}

TEST_F(RegAccessTest, NoDriverFailsAndLeavesTheLayerUninitialized)
{
    device->FindFailure = kFindNoInterface;
    device->FindError = ERROR_NO_MORE_ITEMS;
    CRegAccess registry;
    EXPECT_RESULT(RegResult::kChannelFailed, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_EQ(nullptr, SharedChannel());
    DWORD value = 0;
    wchar_t text[8];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kNotInitialized, registry.QueryDword(L"PinMin", &value));
    EXPECT_RESULT(RegResult::kNotInitialized, registry.QueryString(L"PortName", text, &size));
    EXPECT_RESULT(RegResult::kNotInitialized, registry.SetDword(L"GPSStatus", 2));

    // Nothing partial stayed behind: the next attempt starts afresh.
    device->FindFailure = kFindOk;
    EXPECT_RESULT(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    registry.Terminate();
}

TEST_F(RegAccessTest, FailedHandshakeClosesTheDeviceAndFails)
{
    device->Scripts[RequestKind::Phase2].Fail = true;
    device->Scripts[RequestKind::Phase2].Error = ERROR_GEN_FAILURE;
    CRegAccess registry;
    EXPECT_RESULT(RegResult::kChannelFailed, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_EQ(nullptr, SharedChannel());
    EXPECT_EQ(1, device->CloseCalls);
    EXPECT_EQ(0, SharedChannelReferences());
}

TEST_F(RegAccessTest, OldDriverKeepsAChannelButEveryValueOperationFails)
{
    device->VersionText = L"1.0.7.99";
    device->Registry.SetDword(kProductPath, u"PinMin", 6);
    CRegAccess registry;
    EXPECT_RESULT(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_EQ(0u, Handshakes());
    DWORD value = 0;
    wchar_t text[8];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(L"PortName", text, &size));
    EXPECT_RESULT(RegResult::kNoValue, registry.QueryDword(L"PinMin", &value));
    EXPECT_RESULT(RegResult::kWriteFailed, registry.SetDword(L"GPSStatus", 2));
    EXPECT_TRUE(device->RequestsOf(RequestKind::Capsule).empty());
    registry.Terminate();
    EXPECT_EQ(0u, SessionCloses()) << "there was no session to end";
    EXPECT_EQ(1, device->CloseCalls);
}

TEST_F(RegAccessTest, ReferencesAreSharedAndTheLastOneClosesTheSession)
{
    auto first = std::make_unique<CRegAccess>();
    auto second = std::make_unique<CRegAccess>();
    EXPECT_RESULT(RegResult::kOk, first->Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_RESULT(RegResult::kOk, second->Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    EXPECT_EQ(1u, Handshakes()) << "one session for the whole process";
    EXPECT_EQ(2, SharedChannelReferences());

    first->Terminate();
    EXPECT_NE(nullptr, SharedChannel());
    EXPECT_EQ(0u, SessionCloses());
    // The destructor gives back the reference Terminate was never called for.
    second.reset();
    EXPECT_EQ(nullptr, SharedChannel());
    EXPECT_EQ(1u, SessionCloses());
    first.reset();
    EXPECT_EQ(0, SharedChannelReferences());
}

TEST_F(RegAccessTest, DirectRouteTakesNoChannelReference)
{
    CRegAccess driver;
    ASSERT_EQ(RegResult::kOk, driver.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    {
        CRegAccess direct;
        EXPECT_RESULT(RegResult::kOk, direct.Initialize(HKEY_CURRENT_USER, L"Software\\BrindleTests"));
        EXPECT_EQ(1, SharedChannelReferences());
        direct.Terminate();
        EXPECT_EQ(1, SharedChannelReferences()) << "it had none to give back";
    }
    EXPECT_EQ(1, SharedChannelReferences());
    driver.Terminate();
}

TEST_F(RegAccessTest, MissingArgumentsAreRefused)
{
    CRegAccess registry;
    EXPECT_RESULT(RegResult::kMissingArgument, registry.Initialize(HKEY_LOCAL_MACHINE, nullptr));
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    DWORD value = 0;
    DWORD size = 0;
    EXPECT_RESULT(RegResult::kMissingArgument, registry.QueryDword(nullptr, &value));
    EXPECT_RESULT(RegResult::kMissingArgument, registry.QueryDword(L"PinMin", nullptr));
    EXPECT_RESULT(RegResult::kMissingArgument, registry.QueryString(nullptr, nullptr, &size));
    EXPECT_RESULT(RegResult::kMissingArgument, registry.SetDword(nullptr, 1));
    registry.Terminate();
}

class RegAccessDriverRouteTest : public RegAccessTest {
protected:
    void SetUp() override
    {
        RegAccessTest::SetUp();
        ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Norvane"));
    }
    void TearDown() override
    {
        registry.Terminate();
        RegAccessTest::TearDown();
    }

    CRegAccess registry;
};

TEST_F(RegAccessDriverRouteTest, ReadsAndWritesTheProductKeyThroughTheDriver)
{
    device->Registry.SetDword(kProductPath, u"PinMax", 10);
    device->Registry.SetString(kProductPath, u"ServiceName", u"qcusbser");
    DWORD value = 0;
    EXPECT_RESULT(RegResult::kOk, registry.QueryDword(L"PinMax", &value));
    EXPECT_EQ(10u, value);
    EXPECT_TRUE(device->Registry.LastPath == kProductPath);

    wchar_t text[16];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kOk, registry.QueryString(L"ServiceName", text, &size));
    EXPECT_EQ(std::wstring(L"qcusbser"), text);
    EXPECT_EQ(18u, size) << "the stored length in bytes, terminator included";

    EXPECT_RESULT(RegResult::kOk, registry.SetDword(L"GPSStatus", 2));
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(device->Registry.GetValue(kProductPath, u"GPSStatus", &type, &data));
    EXPECT_EQ(static_cast<uint32_t>(REG_DWORD), type);
    EXPECT_EQ((std::vector<uint8_t>{2, 0, 0, 0}), data);
}

TEST_F(RegAccessDriverRouteTest, MissingValueIsNoValue)
{
    DWORD value = 77;
    EXPECT_RESULT(RegResult::kNoValue, registry.QueryDword(L"GPSOption", &value));
    EXPECT_EQ(77u, value) << "a failed read leaves the destination alone";
}

TEST_F(RegAccessDriverRouteTest, WrongTypesAndSizes)
{
    device->Registry.SetDword(kProductPath, u"Version", 5);
    device->Registry.SetValue(kProductPath, u"Wide", REG_DWORD, std::vector<uint8_t>(8, 1));
    device->Registry.SetValue(kProductPath, u"Binary", REG_BINARY, std::vector<uint8_t>{1, 0, 0, 0});
    device->Registry.SetString(kProductPath, u"Long", u"a longer text than fits");
    wchar_t text[8];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(L"Version", text, &size));
    size = sizeof(text);
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(L"Long", text, &size));
    EXPECT_EQ(48u, size) << "the length it would need";
    DWORD value = 0;
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryDword(L"Wide", &value));
    EXPECT_RESULT(RegResult::kWrongType, registry.QueryDword(L"Binary", &value));
    EXPECT_RESULT(RegResult::kWrongType, registry.QueryDword(L"Long", &value));
    EXPECT_EQ(0u, value) << "a failed read leaves the destination alone";
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(L"Long", nullptr, &size));
}

TEST_F(RegAccessDriverRouteTest, StringWithoutTerminatorIsTerminatedOrRefused)
{
    const std::vector<uint8_t> unterminated = {'C', 0, 'O', 0, 'M', 0};
    device->Registry.SetValue(kProductPath, u"PortName", REG_SZ, unterminated);
    wchar_t text[4];
    std::memset(text, 0xA5, sizeof(text));
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kOk, registry.QueryString(L"PortName", text, &size));
    EXPECT_EQ(std::wstring(L"COM"), std::wstring(text));

    // Exactly filling the buffer with no terminator would leave the caller
    // reading past its end.
    std::memset(text, 0xA5, sizeof(text));
    size = 6;
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(L"PortName", text, &size));
    EXPECT_EQ(static_cast<wchar_t>(0xA5A5), text[3]) << "nothing past the capacity";
}

TEST_F(RegAccessDriverRouteTest, NamesOfMaxPathCharactersAreRefusedUnsent)
{
    const std::wstring tooLong(260, L'N');
    const std::wstring longest(259, L'N');
    wchar_t text[8];
    DWORD size = sizeof(text);
    DWORD value = 0;
    const size_t before = device->Requests.size();
    EXPECT_RESULT(RegResult::kReadFailed, registry.QueryString(tooLong.c_str(), text, &size));
    EXPECT_RESULT(RegResult::kNoValue, registry.QueryDword(tooLong.c_str(), &value));
    EXPECT_RESULT(RegResult::kWriteFailed, registry.SetDword(tooLong.c_str(), 1));
    EXPECT_EQ(before, device->Requests.size());

    EXPECT_RESULT(RegResult::kOk, registry.SetDword(longest.c_str(), 41));
    EXPECT_RESULT(RegResult::kOk, registry.QueryDword(longest.c_str(), &value));
    EXPECT_EQ(41u, value);
}

TEST_F(RegAccessDriverRouteTest, LongBasePathIsRefusedOnTheDriverRoute)
{
    registry.Terminate();
    // 251 characters + "\brindle" = 259: the longest path that still fits.
    const std::wstring fits = L"SOFTWARE\\Norvane\\" + std::wstring(234, L'k');
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, fits.c_str()));
    EXPECT_RESULT(RegResult::kOk, registry.SetDword(L"X", 1));
    registry.Terminate();
    const std::wstring tooLong = fits + L"k";
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_LOCAL_MACHINE, tooLong.c_str()));
    EXPECT_RESULT(RegResult::kWriteFailed, registry.SetDword(L"X", 1));
}

// The direct route on HKEY_CURRENT_USER\Software\BrindleTests\RegAccess<pid>.
class RegAccessDirectRouteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t base[64];
        FormatW(base, 64, L"Software\\BrindleTests\\RegAccess%lu", GetCurrentProcessId());
        basePath = base;
        productPath = basePath + L"\\brindle";
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, productPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &key, nullptr));
        ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_CURRENT_USER, basePath.c_str()));
    }
    void TearDown() override
    {
        registry.Terminate();
        RegCloseKey(key);
        RegDeleteKeyW(HKEY_CURRENT_USER, productPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, basePath.c_str());
    }

    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
    }

    std::wstring basePath;
    std::wstring productPath;
    HKEY key = nullptr;
    CRegAccess registry;
};

TEST_F(RegAccessDirectRouteTest, DwordRoundTripAndMissingValue)
{
    DWORD value = 0;
    EXPECT_RESULT(RegResult::kNoValue, registry.QueryDword(L"GPSStatus", &value));
    EXPECT_RESULT(RegResult::kOk, registry.SetDword(L"GPSStatus", 5));
    EXPECT_RESULT(RegResult::kOk, registry.QueryDword(L"GPSStatus", &value));
    EXPECT_EQ(5u, value);
    SetRaw(L"Text", REG_SZ, L"5", 4);
    EXPECT_RESULT(RegResult::kWrongType, registry.QueryDword(L"Text", &value));
}

TEST_F(RegAccessDirectRouteTest, MissingKeyCannotBeOpened)
{
    registry.Terminate();
    ASSERT_EQ(RegResult::kOk, registry.Initialize(HKEY_CURRENT_USER, L"Software\\BrindleTests\\None"));
    DWORD value = 0;
    wchar_t text[4];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kOpenKeyFailed, registry.QueryDword(L"X", &value));
    EXPECT_RESULT(RegResult::kOpenKeyFailed, registry.QueryString(L"X", text, &size));
    EXPECT_RESULT(RegResult::kOpenKeyFailed, registry.SetDword(L"X", 1));
}

struct DirectStringCase {
    const char* Name;
    std::wstring Stored; // stored with its terminator
    DWORD Size;          // the caller's size in bytes; the buffer has 8 characters + guard
    std::uint32_t Expected;
    DWORD ExpectedSize;
};

class RegAccessDirectStringTest : public RegAccessDirectRouteTest,
                                  public ::testing::WithParamInterface<DirectStringCase> {};

// The unit of `size` is bytes; a string must leave room for its terminator,
// and no byte past the caller's size is written.
TEST_P(RegAccessDirectStringTest, NeverWritesPastTheCallersSize)
{
    const DirectStringCase& c = GetParam();
    SetRaw(L"PortName", REG_SZ, c.Stored.c_str(), static_cast<DWORD>((c.Stored.size() + 1) * sizeof(wchar_t)));
    uint8_t buffer[24];
    std::memset(buffer, 0xA5, sizeof(buffer));
    DWORD size = c.Size;
    EXPECT_RESULT(c.Expected, registry.QueryString(L"PortName", reinterpret_cast<wchar_t*>(buffer), &size)) << c.Name;
    EXPECT_EQ(c.ExpectedSize, size) << c.Name;
    for (size_t i = c.Size; i < sizeof(buffer); ++i)
        EXPECT_EQ(0xA5, buffer[i]) << c.Name << ": byte " << i << " is past the size";
    if (c.Expected == RegResult::kOk) {
        EXPECT_EQ(c.Stored, std::wstring(reinterpret_cast<wchar_t*>(buffer))) << c.Name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Strings, RegAccessDirectStringTest,
    ::testing::Values(DirectStringCase{"ExactlyFilling", L"COM1234", 16, RegResult::kBufferTooSmall, 16},
                      DirectStringCase{"OneCharacterShort", L"COM123", 16, RegResult::kOk, 12},
                      DirectStringCase{"OddSizeUsesWholeCharacters", L"COM1234", 17, RegResult::kBufferTooSmall, 16},
                      DirectStringCase{"OddSizeShorterString", L"COM123", 15, RegResult::kBufferTooSmall, 14},
                      DirectStringCase{"Empty", L"", 4, RegResult::kOk, 0},
                      DirectStringCase{"ZeroSize", L"", 0, RegResult::kBufferTooSmall, 2}),
    [](const ::testing::TestParamInfo<DirectStringCase>& info) { return info.param.Name; });

TEST_F(RegAccessDirectRouteTest, StringOfAnotherTypeOrMissing)
{
    const DWORD number = 3;
    SetRaw(L"Number", REG_DWORD, &number, sizeof(number));
    wchar_t text[8];
    DWORD size = sizeof(text);
    EXPECT_RESULT(RegResult::kWrongType, registry.QueryString(L"Number", text, &size));
    EXPECT_RESULT(RegResult::kNoValue, registry.QueryString(L"Nothing", text, &size));
    SetRaw(L"Text", REG_SZ, L"ab", 6);
    EXPECT_RESULT(RegResult::kMissingArgument, registry.QueryString(L"Text", nullptr, &size));
    EXPECT_RESULT(RegResult::kMissingArgument, registry.QueryString(L"Text", text, nullptr));
}

} // namespace
} // namespace MiscCommon
