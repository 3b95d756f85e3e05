// The stand-in GobiApi.dll as the program meets it: loaded from its build
// folder, called through GetProcAddress, scripted through the registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim/gobiapi/SimModemControl.h"
#include "tests/support/ProcessHandles.h"

namespace {

using EnumerateFn = std::uint32_t(__cdecl*)(std::uint8_t*, std::uint8_t*);
using ConnectFn = std::uint32_t(__cdecl*)(const char*, const char*);
using DisconnectFn = std::uint32_t(__cdecl*)();
using StatusFn = std::uint32_t(__cdecl*)(std::uint32_t, std::uint32_t*, std::uint32_t*, std::uint32_t*);
using VerifyFn = std::uint32_t(__cdecl*)(std::uint32_t, const char*, std::uint32_t*, std::uint32_t*);
using TwoCodesFn = std::uint32_t(__cdecl*)(std::uint32_t, const char*, const char*, std::uint32_t*, std::uint32_t*);
using ProtectFn = std::uint32_t(__cdecl*)(std::uint32_t, std::uint32_t, const char*, std::uint32_t*, std::uint32_t*);
using GetTrackingFn = std::uint32_t(__cdecl*)(std::uint32_t*);
using SetTrackingFn = std::uint32_t(__cdecl*)(std::uint32_t);

const char* const kExports[] = {"QCWWAN2kEnumerateDevices",
                                "QCWWAN2kConnect",
                                "QCWWANDisconnect",
                                "UIMChangePIN",
                                "UIMGetPINStatus",
                                "UIMSetPINProtection",
                                "UIMUnblockPIN",
                                "UIMVerifyPIN",
                                "GetServiceAutomaticTracking",
                                "SetServiceAutomaticTracking"};

constexpr std::size_t kEntrySize = 272;

template <typename Fn>
Fn Resolve(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Library {
public:
    explicit Library(const wchar_t* variant)
    {
        if (simmodem::UseVariant(variant))
            module_ = LoadLibraryW(L"GobiApi.dll");
    }
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_ = nullptr;
};

// Runs a command line (e.g. reg.exe) in its own process and returns its exit
// code and what it wrote.
DWORD RunProcess(std::wstring commandLine, std::string* output = nullptr)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return 0xFFFFFFFF;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process = {};
    BOOL started =
        CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    DWORD code = 0xFFFFFFFF;
    if (started) {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            if (output)
                output->append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return code;
}

class GobiApiStandInTest : public testing::Test {
protected:
    void SetUp() override
    {
        simmodem::Reset();
        Load();
    }
    void Load()
    {
        library_ = std::make_unique<Library>(L"full");
        HMODULE module = library_->get();
        ASSERT_NE(nullptr, module) << "full build of GobiApi.dll not loaded";
        enumerate = Resolve<EnumerateFn>(module, "QCWWAN2kEnumerateDevices");
        connect = Resolve<ConnectFn>(module, "QCWWAN2kConnect");
        disconnect = Resolve<DisconnectFn>(module, "QCWWANDisconnect");
        change = Resolve<TwoCodesFn>(module, "UIMChangePIN");
        status = Resolve<StatusFn>(module, "UIMGetPINStatus");
        protect = Resolve<ProtectFn>(module, "UIMSetPINProtection");
        unblock = Resolve<TwoCodesFn>(module, "UIMUnblockPIN");
        verify = Resolve<VerifyFn>(module, "UIMVerifyPIN");
        getTracking = Resolve<GetTrackingFn>(module, "GetServiceAutomaticTracking");
        setTracking = Resolve<SetTrackingFn>(module, "SetServiceAutomaticTracking");
    }
    void TearDown() override
    {
        library_.reset();
        simmodem::Reset();
    }

    // Enumerates as the program does: one entry, all zero.
    std::uint32_t Enumerate(std::uint8_t& count, std::vector<std::uint8_t>& entry)
    {
        entry.assign(kEntrySize, 0);
        count = 1;
        return enumerate(&count, entry.data());
    }

    std::uint32_t Open()
    {
        std::uint8_t count = 0;
        std::vector<std::uint8_t> entry;
        std::uint32_t result = Enumerate(count, entry);
        if (result || !count)
            return 0xDEAD;
        const char* id = reinterpret_cast<const char*>(entry.data());
        return connect(id, id + 256);
    }

    std::uint32_t Status(std::uint32_t* value = nullptr)
    {
        std::uint32_t s = 99, v = 99, u = 99;
        std::uint32_t result = status(1, &s, &v, &u);
        if (value)
            *value = s;
        return result;
    }

    std::unique_ptr<Library> library_;
    EnumerateFn enumerate = nullptr;
    ConnectFn connect = nullptr;
    DisconnectFn disconnect = nullptr;
    TwoCodesFn change = nullptr;
    StatusFn status = nullptr;
    ProtectFn protect = nullptr;
    TwoCodesFn unblock = nullptr;
    VerifyFn verify = nullptr;
    GetTrackingFn getTracking = nullptr;
    SetTrackingFn setTracking = nullptr;
};

TEST_F(GobiApiStandInTest, EnumeratesOneModemWhoseFieldsOpenTheLink)
{
    std::uint8_t count = 0;
    std::vector<std::uint8_t> entry;
    ASSERT_EQ(0u, Enumerate(count, entry));
    ASSERT_EQ(1u, count);
    const char* id = reinterpret_cast<const char*>(entry.data());
    EXPECT_GT(std::strlen(id), 0u);
    EXPECT_LT(std::strlen(id + 256), 16u) << "the key must end inside its 16 bytes";
    EXPECT_EQ(3u, connect(id + 256, id)) << "fields swapped: no such device";
    EXPECT_EQ(1u, Status()) << "a refused connect leaves no link";
    EXPECT_EQ(0u, connect(id, id + 256));
    EXPECT_EQ(0u, Status());
    EXPECT_EQ(0u, disconnect());
    EXPECT_EQ(1u, Status()) << "the link is closed";
}

// One link at a time: a second connect is refused until a disconnect, and a
// disconnect without a link answers 1, as callers that drop a stale link
// first will see.
TEST_F(GobiApiStandInTest, OneLinkAtATime)
{
    EXPECT_EQ(1u, disconnect()) << "nothing to close";
    ASSERT_EQ(0u, Open());
    EXPECT_EQ(4u, Open()) << "a link is already open";
    EXPECT_EQ(0u, Status()) << "and stays usable";
    EXPECT_EQ(0u, disconnect());
    EXPECT_EQ(1u, disconnect()) << "closing twice";
    EXPECT_EQ(0u, Open()) << "closed links can be opened again";
}

// The program loads the library again at every resume, and the vendor's
// leaves nothing behind when unloaded; a stand-in that did would be counted
// as the program's leak by a soak.
TEST_F(GobiApiStandInTest, UnloadsLeaveNoHandleBehind)
{
    library_.reset();
    const DWORD before = testsupport::ProcessHandleCount(GetCurrentProcessId());
    ASSERT_NE(0u, before) << "the system's handle list could not be read";
    for (int i = 0; i < 20; ++i) {
        Load();
        ASSERT_EQ(0u, Open());
        ASSERT_EQ(0u, Status());
        ASSERT_EQ(0u, disconnect());
        library_.reset();
    }
    EXPECT_EQ(before, testsupport::ProcessHandleCount(GetCurrentProcessId())) << "after 20 loads and unloads";
}

// Scripted failures that end: the export answers the code N times, then
// works again and the script is gone.
TEST_F(GobiApiStandInTest, CountedFailuresRecover)
{
    struct Case {
        const char* exportName;
        std::uint32_t code;
        std::uint32_t count;
    };
    ASSERT_EQ(0u, Open());
    for (const Case& c :
         {Case{"UIMGetPINStatus", 8, 1}, Case{"UIMGetPINStatus", 1234, 3}, Case{"UIMGetPINStatus", 5, 0}}) {
        simmodem::FailCalls(c.exportName, c.code, c.count);
        for (std::uint32_t i = 0; i < c.count; ++i)
            EXPECT_EQ(c.code, Status()) << c.code << " #" << i;
        EXPECT_EQ(0u, Status()) << c.code << ": recovered after " << c.count;
        EXPECT_EQ(0u, simmodem::GetValue(L"Fail.UIMGetPINStatus", 0)) << c.code;
    }
    simmodem::FailCalls("QCWWAN2kConnect", 6, 2);
    ASSERT_EQ(0u, disconnect());
    EXPECT_EQ(6u, Open());
    EXPECT_EQ(6u, Open());
    EXPECT_EQ(0u, Open());
}

// A power cycle keeps the codes and counters but forgets the verification
// and every link: from the test side, and by unloading and loading the
// library again in one process (the machine slept in between).
TEST_F(GobiApiStandInTest, PowerCycleForgetsVerificationOnly)
{
    ASSERT_EQ(0u, Open());
    std::uint32_t v = 0, u = 0, s = 0;
    ASSERT_EQ(1012u, verify(1, "0000", &v, &u));
    ASSERT_EQ(0u, change(1, "1234", "5678", &v, &u));
    ASSERT_EQ(1012u, verify(1, "0000", &v, &u));
    simmodem::PowerCycle();
    EXPECT_EQ(1u, Status()) << "the link ended with the power";
    ASSERT_EQ(0u, Open());
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(1u, s) << "PIN1 must be verified again";
    EXPECT_EQ(L"5678", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(2u, simmodem::GetValue(L"PinLeft", 3));

    ASSERT_EQ(0u, verify(1, "5678", &v, &u));
    library_.reset();
    Load();
    ASSERT_EQ(0u, Open());
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(1u, s) << "reloaded: PIN1 must be verified again";
    EXPECT_EQ(L"5678", simmodem::GetText(L"Pin", L""));
}

TEST_F(GobiApiStandInTest, NoDeviceEnumeratesNothingAndCannotConnect)
{
    std::uint8_t count = 0;
    std::vector<std::uint8_t> entry;
    ASSERT_EQ(0u, Open());
    simmodem::SetValue(L"DeviceCount", 0);
    EXPECT_EQ(0u, Enumerate(count, entry));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(0, entry[0]);
    EXPECT_NE(0u, Open()) << "a modem that is gone cannot be reopened";
}

TEST_F(GobiApiStandInTest, ConnectFailuresCountDown)
{
    simmodem::SetValue(L"ConnectFailures", 2);
    simmodem::SetValue(L"ConnectFailCode", 77);
    EXPECT_EQ(77u, Open());
    EXPECT_EQ(1u, simmodem::GetValue(L"ConnectFailures", 99));
    EXPECT_EQ(77u, Open());
    EXPECT_EQ(0u, Open());
    EXPECT_EQ(0u, simmodem::GetValue(L"ConnectFailures", 99));
    simmodem::ClearValue(L"ConnectFailCode");
    simmodem::SetValue(L"ConnectFailures", 1);
    ASSERT_EQ(0u, disconnect());
    EXPECT_EQ(1u, Open()) << "default failure code";
}

TEST_F(GobiApiStandInTest, CallsWithoutLinkAnswerNotConnected)
{
    std::uint32_t s = 0, v = 0, u = 0, flag = 0;
    EXPECT_EQ(1u, status(1, &s, &v, &u));
    EXPECT_EQ(1u, verify(1, "1234", &v, &u));
    EXPECT_EQ(1u, unblock(1, "12345678", "1111", &v, &u));
    EXPECT_EQ(1u, change(1, "1234", "1111", &v, &u));
    EXPECT_EQ(1u, protect(1, 0, "1234", &v, &u));
    EXPECT_EQ(1u, getTracking(&flag));
    EXPECT_EQ(1u, setTracking(1));
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0));
    EXPECT_EQ(0u, simmodem::GetValue(L"PinVerified", 0));
}

TEST_F(GobiApiStandInTest, WrongPinsBlockAndThePukUnblocks)
{
    ASSERT_EQ(0u, Open());
    std::uint32_t s = 0, v = 0, u = 0;
    ASSERT_EQ(0u, status(1, &s, &v, &u));
    EXPECT_EQ(1u, s);
    EXPECT_EQ(3u, v);
    EXPECT_EQ(10u, u);

    EXPECT_EQ(1012u, verify(1, "0000", &v, &u));
    EXPECT_EQ(2u, v);
    EXPECT_EQ(1012u, change(1, "0000", "1111", &v, &u));
    EXPECT_EQ(1u, v);
    EXPECT_EQ(1035u, protect(1, 0, "0000", &v, &u)) << "last wrong PIN blocks";
    EXPECT_EQ(0u, v);
    EXPECT_EQ(10u, u);
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(4u, s);
    EXPECT_EQ(1035u, verify(1, "1234", &v, &u));

    EXPECT_EQ(1012u, unblock(1, "87654321", "2222", &v, &u));
    EXPECT_EQ(9u, u);
    EXPECT_EQ(0u, unblock(1, "12345678", "2222", &v, &u));
    EXPECT_EQ(3u, v);
    EXPECT_EQ(10u, u);
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(2u, s);
    EXPECT_EQ(L"2222", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(1012u, verify(1, "1234", &v, &u)) << "the old PIN is replaced";
    EXPECT_EQ(0u, verify(1, "2222", &v, &u));
}

TEST_F(GobiApiStandInTest, LastWrongPukBlocksForGood)
{
    simmodem::SetValue(L"PinLeft", 0);
    simmodem::SetValue(L"PukLeft", 1);
    ASSERT_EQ(0u, Open());
    std::uint32_t s = 0, v = 99, u = 99;
    EXPECT_EQ(1036u, unblock(1, "00000000", "1111", &v, &u));
    EXPECT_EQ(0u, v);
    EXPECT_EQ(0u, u);
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(5u, s);
    EXPECT_EQ(1036u, unblock(1, "12345678", "1111", &v, &u));
    EXPECT_EQ(1035u, verify(1, "1234", &v, &u));
}

TEST_F(GobiApiStandInTest, ChangeAndProtectionPersist)
{
    ASSERT_EQ(0u, Open());
    std::uint32_t s = 0, v = 0, u = 0;
    EXPECT_EQ(0u, change(1, "1234", "13579", &v, &u));
    EXPECT_EQ(L"13579", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(0u, protect(1, 0, "13579", &v, &u));
    EXPECT_EQ(0u, simmodem::GetValue(L"PinProtection", 1));
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(3u, s);
    EXPECT_EQ(0u, protect(1, 1, "13579", &v, &u));
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(2u, s);
}

TEST_F(GobiApiStandInTest, ScriptedLimitsAndCodesAreUsed)
{
    simmodem::SetText(L"Pin", L"8642");
    simmodem::SetValue(L"PinMax", 5);
    simmodem::SetValue(L"PinLeft", 2);
    ASSERT_EQ(0u, Open());
    std::uint32_t v = 0, u = 0;
    EXPECT_EQ(1012u, verify(1, "1234", &v, &u));
    EXPECT_EQ(1u, v);
    EXPECT_EQ(0u, verify(1, "8642", &v, &u));
    EXPECT_EQ(5u, v);
}

TEST_F(GobiApiStandInTest, MissingCardAnswers1037EverywhereAndKeepsCounters)
{
    simmodem::SetValue(L"CardPresent", 0);
    ASSERT_EQ(0u, Open());
    std::uint32_t s = 99, v = 99, u = 99;
    EXPECT_EQ(1037u, status(1, &s, &v, &u));
    EXPECT_EQ(1037u, verify(1, "0000", &v, &u));
    EXPECT_EQ(1037u, unblock(1, "00000000", "1111", &v, &u));
    EXPECT_EQ(1037u, change(1, "0000", "1111", &v, &u));
    EXPECT_EQ(1037u, protect(1, 0, "0000", &v, &u));
    EXPECT_EQ(99u, v) << "nothing reached the card";
    EXPECT_EQ(3u, simmodem::GetValue(L"PinLeft", 3));
    EXPECT_EQ(10u, simmodem::GetValue(L"PukLeft", 10));
    std::uint32_t flag = 5;
    EXPECT_EQ(0u, getTracking(&flag)) << "GPS does not need the card";
}

TEST_F(GobiApiStandInTest, StatusOverrideIsReportedVerbatim)
{
    ASSERT_EQ(0u, Open());
    for (std::uint32_t forced : {0u, 6u, 7u}) {
        simmodem::SetValue(L"StatusOverride", forced);
        std::uint32_t s = 99;
        EXPECT_EQ(0u, Status(&s)) << forced;
        EXPECT_EQ(forced, s);
    }
    simmodem::ClearValue(L"StatusOverride");
    std::uint32_t s = 99;
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(1u, s);
}

TEST_F(GobiApiStandInTest, TrackingFollowsTheLastChangeUnlessSticky)
{
    ASSERT_EQ(0u, Open());
    std::uint32_t flag = 99;
    EXPECT_EQ(0u, getTracking(&flag));
    EXPECT_EQ(0u, flag);
    EXPECT_EQ(0u, setTracking(1));
    EXPECT_EQ(0u, getTracking(&flag));
    EXPECT_EQ(1u, flag);
    simmodem::SetValue(L"GpsTracking", 7);
    EXPECT_EQ(0u, getTracking(&flag));
    EXPECT_EQ(7u, flag) << "stored values are reported as they are";

    simmodem::SetValue(L"GpsTracking", 0);
    simmodem::SetValue(L"GpsSticky", 1);
    EXPECT_EQ(0u, setTracking(1)) << "a sticky module accepts the change";
    EXPECT_EQ(0u, getTracking(&flag));
    EXPECT_EQ(0u, flag) << "and keeps reporting the old state";
    EXPECT_EQ(2u, simmodem::CallCount("SetServiceAutomaticTracking"));
}

TEST_F(GobiApiStandInTest, ForcedFailureAnswersTheCodeAndDoesNothingElse)
{
    ASSERT_EQ(0u, Open());
    simmodem::FailCall("UIMVerifyPIN", 4242);
    std::uint32_t v = 99, u = 99;
    EXPECT_EQ(4242u, verify(1, "1234", &v, &u));
    EXPECT_EQ(99u, v);
    EXPECT_EQ(0u, simmodem::GetValue(L"PinVerified", 0));
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN")) << "refused calls are counted too";

    simmodem::FailCall("QCWWANDisconnect", 5);
    EXPECT_EQ(5u, disconnect());
    std::uint32_t s = 0;
    EXPECT_EQ(0u, Status(&s)) << "a failed disconnect leaves the link open";

    simmodem::FailCall("QCWWAN2kEnumerateDevices", 0);
    std::uint8_t count = 1;
    std::vector<std::uint8_t> entry(kEntrySize, 0);
    EXPECT_EQ(0u, enumerate(&count, entry.data())) << "a forced 0 is answered as such";
    EXPECT_EQ(0, entry[0]) << "without filling anything";

    simmodem::ClearValue(L"Fail.UIMVerifyPIN");
    EXPECT_EQ(0u, verify(1, "1234", &v, &u));
    EXPECT_EQ(1u, simmodem::GetValue(L"PinVerified", 0));
}

TEST_F(GobiApiStandInTest, EveryExportCountsItsCalls)
{
    std::uint8_t count = 0;
    std::vector<std::uint8_t> entry;
    std::uint32_t s, v, u, flag;
    Enumerate(count, entry);
    Open();
    status(1, &s, &v, &u);
    verify(1, "1234", &v, &u);
    unblock(1, "12345678", "1234", &v, &u);
    change(1, "1234", "1234", &v, &u);
    protect(1, 1, "1234", &v, &u);
    getTracking(&flag);
    setTracking(0);
    disconnect();
    for (const char* name : kExports) {
        std::uint32_t expected = std::strcmp(name, "QCWWAN2kEnumerateDevices") == 0 ? 2 : 1;
        EXPECT_EQ(expected, simmodem::CallCount(name)) << name;
    }
}

TEST_F(GobiApiStandInTest, RefusesOtherPinsAndMissingArguments)
{
    ASSERT_EQ(0u, Open());
    std::uint32_t s = 0, v = 0, u = 0;
    EXPECT_EQ(2u, status(2, &s, &v, &u)) << "only PIN1 is simulated";
    EXPECT_EQ(2u, verify(2, "1234", &v, &u));
    EXPECT_EQ(2u, verify(1, nullptr, &v, &u));
    EXPECT_EQ(2u, unblock(1, "12345678", nullptr, &v, &u));
    EXPECT_EQ(2u, getTracking(nullptr));
    EXPECT_EQ(3u, simmodem::GetValue(L"PinLeft", 3)) << "refused arguments cost no attempt";
}

TEST_F(GobiApiStandInTest, DelayedExportStillAnswers)
{
    ASSERT_EQ(0u, Open());
    simmodem::SetValue(L"Delay.UIMGetPINStatus", 50);
    std::uint32_t s = 0;
    EXPECT_EQ(0u, Status(&s));
    EXPECT_EQ(1u, s);
}

// Other processes share the state: reg.exe here is even a 64-bit program.
TEST_F(GobiApiStandInTest, StateIsSharedWithOtherProcesses)
{
    ASSERT_EQ(0u, Open());
    ASSERT_EQ(0u, RunProcess(L"reg.exe add HKCU\\Software\\BrindleSim\\Modem /v PinLeft "
                             L"/t REG_DWORD /d 1 /f"));
    std::uint32_t v = 0, u = 0;
    EXPECT_EQ(1035u, verify(1, "0000", &v, &u)) << "the value set by reg.exe was not read";

    std::string output;
    ASSERT_EQ(0u, RunProcess(L"reg.exe query HKCU\\Software\\BrindleSim\\Modem /v PinLeft", &output));
    EXPECT_NE(std::string::npos, output.find("0x0")) << output;
    output.clear();
    ASSERT_EQ(0u, RunProcess(L"reg.exe query HKCU\\Software\\BrindleSim\\Modem "
                             L"/v Calls.UIMVerifyPIN",
                             &output));
    EXPECT_NE(std::string::npos, output.find("0x1")) << output;
}

TEST(SimModemControlTest, ValuesRoundTripAndResetRestoresDefaults)
{
    simmodem::Reset();
    EXPECT_EQ(5u, simmodem::GetValue(L"PinLeft", 5));
    EXPECT_EQ(L"none", simmodem::GetText(L"Pin", L"none"));
    simmodem::SetValue(L"PinLeft", 2);
    simmodem::SetText(L"Pin", L"24680");
    simmodem::FailCall("UIMVerifyPIN", 9);
    EXPECT_EQ(2u, simmodem::GetValue(L"PinLeft", 5));
    EXPECT_EQ(L"24680", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(9u, simmodem::GetValue(L"Fail.UIMVerifyPIN", 0));
    EXPECT_EQ(5u, simmodem::GetValue(L"Pin", 5)) << "text is no number";
    simmodem::ClearValue(L"PinLeft");
    EXPECT_EQ(5u, simmodem::GetValue(L"PinLeft", 5));
    simmodem::Reset();
    EXPECT_EQ(L"", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(0u, simmodem::GetValue(L"Fail.UIMVerifyPIN", 0));
}

class GobiApiVariantTest : public testing::TestWithParam<const char*> {};

TEST_P(GobiApiVariantTest, LacksOnlyItsExport)
{
    std::string name = GetParam();
    std::wstring variant = L"no-" + std::wstring(name.begin(), name.end());
    Library library(variant.c_str());
    ASSERT_NE(nullptr, library.get()) << name;
    for (const char* other : kExports) {
        bool found = GetProcAddress(library.get(), other) != nullptr;
        EXPECT_EQ(name != other, found) << "variant " << name << ", export " << other;
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, GobiApiVariantTest, testing::ValuesIn(kExports));

TEST(GobiApiVariantSelectionTest, NoneLoadsNothingAndUnknownNamesAreRefused)
{
    ASSERT_TRUE(simmodem::UseVariant(L"none"));
    HMODULE module = LoadLibraryW(L"GobiApi.dll");
    EXPECT_EQ(nullptr, module);
    if (module)
        FreeLibrary(module);
    EXPECT_FALSE(simmodem::UseVariant(L"partial"));
    EXPECT_FALSE(simmodem::UseVariant(L"no-Nonexistent"));
    Library full(L"full");
    EXPECT_NE(nullptr, full.get());
}

} // namespace
