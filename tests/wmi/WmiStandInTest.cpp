// The stand-in WMI as the program meets it: registered as CLSID_WbemLocator,
// created in-process and walked through the port search's exact calls,
// scripted through the registry between queries.
#include <windows.h>
#include <wbemcli.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/wmi/SimWmiControl.h"

namespace {

constexpr LONG kClientTimeout = 5000;

std::string Hex(HRESULT value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(value));
    return text;
}

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text; ++text)
        out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

// One owned interface pointer.
template <typename T>
class Ref {
public:
    Ref() = default;
    ~Ref() { Reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** Out()
    {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    T* Detach()
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Reset()
    {
        if (p_)
            p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// COM for this thread in the multithreaded apartment, as the port search has it.
class Apartment {
public:
    Apartment() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED))
    {
        if (SUCCEEDED(hr_)) {
            HRESULT security = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
            securityOk_ = SUCCEEDED(security) || security == RPC_E_TOO_LATE;
        }
    }
    ~Apartment()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    bool ok() const { return SUCCEEDED(hr_) && securityOk_; }

private:
    HRESULT hr_;
    bool securityOk_ = false;
};

// "text", "<null>", "<absent>" or the failing result of Get.
std::string Property(IWbemClassObject* object, const wchar_t* name)
{
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = object->Get(name, 0, &value, nullptr, nullptr);
    std::string text;
    if (hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND))
        text = "<absent>";
    else if (FAILED(hr))
        text = "<" + Hex(hr) + ">";
    else if (V_VT(&value) == VT_NULL)
        text = "<null>";
    else if (V_VT(&value) == VT_BSTR && V_BSTR(&value))
        text = Narrow(V_BSTR(&value));
    else
        text = "<vt " + std::to_string(V_VT(&value)) + ">";
    VariantClear(&value);
    return text;
}

struct Scan {
    HRESULT create = E_FAIL;
    HRESULT connect = E_FAIL;
    HRESULT blanket = E_FAIL;
    HRESULT query = E_FAIL;
    std::vector<std::string> nexts;    // each Next's result
    std::vector<std::string> entities; // "Service|Caption" of each object returned
};

// The port search's calls; it ends the enumeration on an error after `errors`
// of them, where the program would stop at the first.
Scan RunScan(const wchar_t* ns = L"ROOT\\CIMV2", int errors = 3)
{
    Scan scan;
    Apartment apartment;
    if (!apartment.ok())
        return scan;
    Ref<IWbemLocator> locator;
    scan.create =
        CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.OutVoid());
    if (FAILED(scan.create))
        return scan;
    Ref<IWbemServices> services;
    BSTR name = SysAllocString(ns);
    scan.connect = locator->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Out());
    SysFreeString(name);
    if (FAILED(scan.connect) || !services.get())
        return scan;
    scan.blanket = CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                     RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(scan.blanket))
        return scan;
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM Win32_PnPEntity");
    Ref<IEnumWbemClassObject> enumerator;
    scan.query = services->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     enumerator.Out());
    SysFreeString(language);
    SysFreeString(query);
    if (FAILED(scan.query) || !enumerator.get())
        return scan;
    // A runaway enumeration is a failure of the stand-in, not a hang of the test.
    for (int call = 0; call < 100; ++call) {
        Ref<IWbemClassObject> object;
        ULONG returned = 0;
        HRESULT hr = enumerator->Next(kClientTimeout, 1, object.Out(), &returned);
        scan.nexts.push_back(Hex(hr));
        if (returned == 1 && object.get())
            scan.entities.push_back(Property(object.get(), L"Service") + "|" + Property(object.get(), L"Caption"));
        if (hr == WBEM_S_FALSE && returned == 0)
            break;
        if (FAILED(hr) && --errors == 0)
            break;
    }
    return scan;
}

const std::string kOk = Hex(WBEM_S_NO_ERROR);
const std::string kEnd = Hex(WBEM_S_FALSE);
const std::string kTimedOut = Hex(WBEM_S_TIMEDOUT);
const std::string kDmPort = "qcusbserps2k|Sierra Wireless DM Port (COM5)";
const std::string kNmeaPort = "qcusbserps2k|Sierra Wireless NMEA Port (COM7)";
const std::vector<std::string> kUnrelated = {"kbdhid|HID Keyboard Device", "<null>|ACPI Fixed Feature Button",
                                             "<absent>|Generic Non-PnP Monitor"};

HRESULT ModuleCanUnload()
{
    HMODULE module = GetModuleHandleW(L"brindlewmi.dll");
    if (!module)
        return E_UNEXPECTED;
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnloadFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload ? canUnload() : E_UNEXPECTED;
}

class WmiStandInTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(simwmi::RegisterServer()) << "registering " << Narrow(simwmi::ServerPath().c_str());
        simwmi::Reset();
    }
    void TearDown() override { simwmi::Reset(); }
};

TEST_F(WmiStandInTest, DefaultListServesBothModemPortsAfterUnrelatedDevices)
{
    Scan scan = RunScan();
    ASSERT_EQ(S_OK, scan.create) << Hex(scan.create) << ": is brindlewmi.dll registered?";
    EXPECT_EQ(S_OK, scan.connect) << Hex(scan.connect);
    EXPECT_EQ(S_OK, scan.blanket) << Hex(scan.blanket);
    EXPECT_EQ(S_OK, scan.query) << Hex(scan.query);
    std::vector<std::string> expected = kUnrelated;
    expected.push_back(kDmPort);
    expected.push_back(kNmeaPort);
    EXPECT_EQ(expected, scan.entities);
    EXPECT_EQ((std::vector<std::string>{kOk, kOk, kOk, kOk, kOk, kEnd}), scan.nexts);
    EXPECT_EQ(1u, simwmi::GetValue(simwmi::kQueries, 0));
}

TEST_F(WmiStandInTest, ChangedListTakesEffectAtTheNextQuery)
{
    EXPECT_EQ(5u, RunScan().entities.size());
    simwmi::SetEntities({L"usbser|Sierra Wireless DM Port (COM9)", L"qcusbserps2k|",
                         L"qcusbserps2k|Sierra Wireless NMEA Port (COM12)"});
    Scan scan = RunScan();
    EXPECT_EQ((std::vector<std::string>{"usbser|Sierra Wireless DM Port (COM9)", "qcusbserps2k|<absent>",
                                        "qcusbserps2k|Sierra Wireless NMEA Port (COM12)"}),
              scan.entities);
    simwmi::SetEntities({});
    EXPECT_EQ((std::vector<std::string>{kEnd}), RunScan().nexts) << "an empty list";
    EXPECT_EQ(3u, simwmi::GetValue(simwmi::kQueries, 0));
}

TEST_F(WmiStandInTest, SlowWmiTimesOutBeforeEveryAnswer)
{
    simwmi::SetEntities({L"qcusbserps2k|Sierra Wireless DM Port (COM5)"});
    simwmi::SetValue(simwmi::kTimeoutsBefore, 2);
    simwmi::SetValue(simwmi::kDelay, 20);
    Scan scan = RunScan();
    EXPECT_EQ((std::vector<std::string>{kTimedOut, kTimedOut, kOk, kTimedOut, kTimedOut, kEnd}), scan.nexts);
    EXPECT_EQ((std::vector<std::string>{kDmPort}), scan.entities);
}

class PersistentErrorTest : public WmiStandInTest, public testing::WithParamInterface<HRESULT> {};

TEST_P(PersistentErrorTest, EveryNextAnswersTheErrorFromTheFirstCallOn)
{
    simwmi::SetValue(simwmi::kNextError, static_cast<std::uint32_t>(GetParam()));
    Scan scan = RunScan(L"ROOT\\CIMV2", 4);
    EXPECT_EQ(S_OK, scan.query) << Hex(scan.query);
    std::string error = Hex(GetParam());
    EXPECT_EQ((std::vector<std::string>{error, error, error, error}), scan.nexts);
    EXPECT_TRUE(scan.entities.empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, PersistentErrorTest, testing::Values(WBEM_E_FAILED, RPC_E_DISCONNECTED));

TEST_F(WmiStandInTest, ModemAppearsOnlyAfterTheScriptedNumberOfQueries)
{
    simwmi::SetValue(simwmi::kAppearAfter, 2);
    EXPECT_EQ(kUnrelated, RunScan().entities) << "first query";
    EXPECT_EQ(kUnrelated, RunScan().entities) << "second query";
    Scan third = RunScan();
    ASSERT_EQ(5u, third.entities.size()) << "third query";
    EXPECT_EQ(kDmPort, third.entities[3]);
    EXPECT_EQ(3u, simwmi::GetValue(simwmi::kQueries, 0));
}

TEST_F(WmiStandInTest, ScriptedFailuresOfConnectAndQuery)
{
    simwmi::SetValue(simwmi::kFailConnect, static_cast<std::uint32_t>(WBEM_E_ACCESS_DENIED));
    Scan refused = RunScan();
    EXPECT_EQ(WBEM_E_ACCESS_DENIED, refused.connect) << Hex(refused.connect);
    EXPECT_EQ(E_FAIL, refused.query) << "no services, so no query";

    simwmi::Reset();
    simwmi::SetValue(simwmi::kFailQuery, static_cast<std::uint32_t>(WBEM_E_FAILED));
    Scan failed = RunScan();
    EXPECT_EQ(S_OK, failed.connect) << Hex(failed.connect);
    EXPECT_EQ(WBEM_E_FAILED, failed.query) << Hex(failed.query);
    EXPECT_TRUE(failed.nexts.empty());
    EXPECT_EQ(1u, simwmi::GetValue(simwmi::kQueries, 0)) << "a failed query still counts";
}

TEST_F(WmiStandInTest, ServesOnlyRootCimv2AndThePnPEntityQuery)
{
    EXPECT_EQ(S_OK, RunScan(L"root\\cimv2").connect);
    Scan other = RunScan(L"ROOT\\DEFAULT");
    EXPECT_EQ(WBEM_E_INVALID_NAMESPACE, other.connect) << Hex(other.connect);

    Apartment apartment;
    ASSERT_TRUE(apartment.ok());
    Ref<IWbemLocator> locator;
    ASSERT_EQ(S_OK,
              CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.OutVoid()));
    Ref<IWbemServices> services;
    BSTR ns = SysAllocString(L"ROOT\\CIMV2");
    ASSERT_EQ(S_OK, locator->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Out()));
    SysFreeString(ns);
    BSTR wql = SysAllocString(L"WQL");
    BSTR sql = SysAllocString(L"SQL");
    BSTR processes = SysAllocString(L"SELECT * FROM Win32_Process");
    BSTR entities = SysAllocString(L"SELECT * FROM Win32_PnPEntity");
    Ref<IEnumWbemClassObject> enumerator;
    EXPECT_EQ(WBEM_E_INVALID_QUERY, services->ExecQuery(wql, processes, 0, nullptr, enumerator.Out()));
    EXPECT_EQ(nullptr, enumerator.get());
    EXPECT_EQ(WBEM_E_INVALID_QUERY_TYPE, services->ExecQuery(sql, entities, 0, nullptr, enumerator.Out()));
    EXPECT_EQ(WBEM_E_NOT_SUPPORTED, services->ExecQueryAsync(wql, entities, 0, nullptr, nullptr));
    ASSERT_EQ(S_OK, services->ExecQuery(wql, entities, 0, nullptr, enumerator.Out()));
    SysFreeString(wql);
    SysFreeString(sql);
    SysFreeString(processes);
    SysFreeString(entities);

    // The enumerator takes call security as a real proxy would.
    EXPECT_EQ(S_OK, CoSetProxyBlanket(enumerator.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                      RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    Ref<IWbemClassObject> object;
    ULONG returned = 0;
    ASSERT_EQ(WBEM_S_NO_ERROR, enumerator->Next(kClientTimeout, 1, object.Out(), &returned));
    ASSERT_EQ(1u, returned);
    EXPECT_EQ("<absent>", Property(object.get(), L"Name"));
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(WBEM_E_INVALID_PARAMETER, object->Get(L"Caption", 1, &value, nullptr, nullptr));
    CIMTYPE type = 0;
    EXPECT_EQ(WBEM_S_NO_ERROR, object->Get(L"caption", 0, nullptr, &type, nullptr))
        << "a property can be asked about without its value";
    EXPECT_EQ(CIM_STRING, type);
    EXPECT_EQ(WBEM_E_NOT_SUPPORTED, object->Put(L"Caption", 0, &value, CIM_STRING));
}

TEST_F(WmiStandInTest, ReleasingEverythingLetsTheModuleUnload)
{
    RunScan();
    EXPECT_EQ(S_OK, ModuleCanUnload()) << "an object of the stand-in is still alive";
}

TEST_F(WmiStandInTest, ExtraReleaseAndLateUseDoNotCrash)
{
    IWbemClassObject* kept = nullptr;
    {
        Apartment apartment;
        ASSERT_TRUE(apartment.ok());
        Ref<IWbemLocator> locator;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                         locator.OutVoid()));
        Ref<IWbemServices> services;
        BSTR ns = SysAllocString(L"ROOT\\CIMV2");
        locator->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Out());
        SysFreeString(ns);
        ASSERT_NE(nullptr, services.get());
        BSTR wql = SysAllocString(L"WQL");
        BSTR query = SysAllocString(L"SELECT * FROM Win32_PnPEntity");
        Ref<IEnumWbemClassObject> enumerator;
        services->ExecQuery(wql, query, 48, nullptr, enumerator.Out());
        SysFreeString(wql);
        SysFreeString(query);
        ASSERT_NE(nullptr, enumerator.get());
        ULONG returned = 0;
        ASSERT_EQ(WBEM_S_NO_ERROR, enumerator->Next(kClientTimeout, 1, &kept, &returned));

        // The services object released once too often.
        IWbemServices* twice = services.Detach();
        EXPECT_EQ(0u, twice->Release());
        EXPECT_EQ(0u, twice->Release());
        EXPECT_EQ(1u, simwmi::GetValue(simwmi::kOverReleases, 0));
    }
    // An object kept past CoUninitialize still answers: the module stays loaded.
    EXPECT_EQ(S_FALSE, ModuleCanUnload()) << "the kept object is alive";
    EXPECT_EQ("kbdhid|HID Keyboard Device", Property(kept, L"Service") + "|" + Property(kept, L"Caption"));
    EXPECT_EQ(0u, kept->Release());
    EXPECT_EQ(S_OK, ModuleCanUnload());
    EXPECT_EQ(0u, kept->Release()) << "released after its last reference";
    EXPECT_EQ(2u, simwmi::GetValue(simwmi::kOverReleases, 0));
}

} // namespace
