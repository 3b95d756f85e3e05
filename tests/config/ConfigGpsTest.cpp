// The GPS group of the settings dialog against the stand-in modem's tracking switch.
#include "tests/config/ConfigTestBench.h"

#include <string>
#include <utility>
#include <vector>

namespace configtest {
namespace {

struct GpsView {
    std::wstring line;
    bool on = false;
    bool off = false;

    bool operator==(const GpsView& other) const { return line == other.line && on == other.on && off == other.off; }
};

void PrintTo(const GpsView& view, std::ostream* os)
{
    *os << "{line " << testing::PrintToString(view.line) << ", enabled:" << (view.on ? " 1007" : "")
        << (view.off ? " 1008" : "") << "}";
}

GpsView ReadGps(HWND hDlg)
{
    return {ItemText(hDlg, IDC_GPS_STATUS), ItemEnabled(hDlg, IDC_GPS_ON), ItemEnabled(hDlg, IDC_GPS_OFF)};
}

GpsView GpsOnView(int port)
{
    return {Format(ResString(IDS_GPS_ENABLED_PORT).c_str(), port), false, true};
}

GpsView GpsOffView()
{
    return {ResString(IDS_GPS_DISABLED), true, false};
}

class ConfigGpsTest : public ConfigDialogTest {
protected:
    // The step after a click. When the question was asked, the click is
    // still inside its modal loop and the dialog exists, though on a slow
    // machine it may not be shown yet; when it was not, the click has
    // returned and no dialog is left. So every dialog the settings dialog owns
    // counts, shown or not, and is cancelled through its command.
    std::function<void()> CountQuestions()
    {
        return [this] {
            for (HWND hDlg : OwnedDialogsShownOrNot(dialog.m_hWnd)) {
                ++questions;
                ::SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDCANCEL)));
            }
        };
    }

    static std::vector<HWND> OwnedDialogsShownOrNot(HWND owner)
    {
        std::pair<HWND, std::vector<HWND>> search{owner, {}};
        ::EnumThreadWindows(::GetCurrentThreadId(), &CollectOwnedDialog, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }

    static BOOL CALLBACK CollectOwnedDialog(HWND hWnd, LPARAM param)
    {
        auto* search = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(param);
        wchar_t className[16] = L"";
        ::GetClassNameW(hWnd, className, 16);
        if (::GetWindow(hWnd, GW_OWNER) == search->first && std::wstring(className) == L"#32770")
            search->second.push_back(hWnd);
        return TRUE;
    }

    int questions = 0;
};

TEST_F(ConfigGpsTest, OnAsksFirstAndACheckedBoxStopsTheQuestion)
{
    LoadModem();
    GpsView afterOn, afterOff, afterOnAgain;
    bool focusOnClose = false;
    std::uint32_t trackingAfterOn = 99;
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] { Click(dialog.m_hWnd, IDC_GPS_ON); })
        .WaitFor([&] { return dialog.ConfirmWindow() != nullptr; })
        .Then([&] {
            Click(dialog.ConfirmWindow(), IDC_DONT_SHOW_AGAIN);
            Click(dialog.ConfirmWindow(), IDOK);
        })
        .Then([&] {
            afterOn = ReadGps(dialog.m_hWnd);
            focusOnClose = IsFocused(dialog.m_hWnd, IDOK);
            trackingAfterOn = simmodem::GetValue(L"GpsTracking", 99);
            Click(dialog.m_hWnd, IDC_GPS_OFF);
        })
        .Then(CountQuestions())
        .Then([&] {
            afterOff = ReadGps(dialog.m_hWnd);
            Click(dialog.m_hWnd, IDC_GPS_ON);
        })
        .Then(CountQuestions())
        .Then([&] {
            afterOnAgain = ReadGps(dialog.m_hWnd);
            Click(dialog.m_hWnd, IDOK);
        });

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(GpsOnView(7), afterOn);
    EXPECT_TRUE(focusOnClose);
    EXPECT_EQ(1u, trackingAfterOn);
    EXPECT_EQ(1u, store.dwords[L"DontShowConfirmDialog"]);
    EXPECT_EQ(GpsOffView(), afterOff);
    EXPECT_EQ(GpsOnView(7), afterOnAgain);
    EXPECT_EQ(0, questions) << "off never asks; on no longer asks";
    EXPECT_EQ(3u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(GpsOnView(7).line, service.GpsStatusText());
}

TEST_F(ConfigGpsTest, CancelAtTheQuestionChangesNothing)
{
    LoadModem();
    GpsView after;
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] { Click(dialog.m_hWnd, IDC_GPS_ON); })
        .WaitFor([&] { return dialog.ConfirmWindow() != nullptr; })
        .Then([&] {
            Click(dialog.ConfirmWindow(), IDC_DONT_SHOW_AGAIN);
            Click(dialog.ConfirmWindow(), IDCANCEL);
        })
        .Then([&] {
            after = ReadGps(dialog.m_hWnd);
            Click(dialog.m_hWnd, IDOK);
        });

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(GpsOffView(), after);
    EXPECT_EQ(0u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(0, store.writes);
}

// The suppression counts only when it is set to a non-zero value and can be
// read; everything else asks.
struct QuestionCase {
    const char* name;
    bool withStore;
    std::uint32_t* stored; // nullptr: no value
    bool asks;
};

std::uint32_t kZero = 0;
std::uint32_t kTwo = 2;

void PrintTo(const QuestionCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigGpsQuestionTest : public ConfigGpsTest, public testing::WithParamInterface<QuestionCase> {};

TEST_P(ConfigGpsQuestionTest, AsksUnlessSuppressed)
{
    const QuestionCase& c = GetParam();
    LoadModem();
    if (c.stored != nullptr)
        store.dwords[L"DontShowConfirmDialog"] = *c.stored;
    CStoreInstallation noStore(c.withStore ? static_cast<ISettingsStore*>(&store) : nullptr);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_GPS_ON); }).Then(CountQuestions()).Then([&] {
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(c.asks ? 1 : 0, questions) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Values, ConfigGpsQuestionTest,
                         testing::Values(QuestionCase{"Missing", true, nullptr, true},
                                         QuestionCase{"Zero", true, &kZero, true},
                                         QuestionCase{"NonZero", true, &kTwo, false},
                                         QuestionCase{"NoStore", false, nullptr, true}),
                         [](const testing::TestParamInfo<QuestionCase>& info) { return std::string(info.param.name); });

struct LineCase {
    const char* name;
    std::int32_t nmeaPort;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> modem;
    GpsView (*expected)();
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigGpsLineTest : public ConfigGpsTest, public testing::WithParamInterface<LineCase> {};

TEST_P(ConfigGpsLineTest, ShowsTheStateReadAtOpening)
{
    const LineCase& c = GetParam();
    LoadModem();
    service.SetNmeaPort(c.nmeaPort);
    for (const auto& value : c.modem)
        simmodem::SetValue(value.first, value.second);
    GpsView seen;
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] {
        seen = ReadGps(dialog.m_hWnd);
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(c.expected(), seen) << c.name;
    EXPECT_EQ(seen.line, service.GpsStatusText()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(States, ConfigGpsLineTest,
                         testing::Values(LineCase{"OnWithPort7", 7, {{L"GpsTracking", 1}}, [] { return GpsOnView(7); }},
                                         LineCase{"OnWithPortUnknown",
                                                  -1,
                                                  {{L"GpsTracking", 1}},
                                                  [] {
                                                      return GpsView{ResString(IDS_GPS_ENABLED), false, true};
                                                  }},
                                         LineCase{"Off", 7, {}, [] { return GpsOffView(); }},
                                         LineCase{"Unreadable",
                                                  7,
                                                  {{L"Fail.GetServiceAutomaticTracking", 5}},
                                                  [] {
                                                      return GpsView{ResString(IDS_STATUS_UNKNOWN), false, false};
                                                  }}),
                         [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    std::uint32_t trackingBefore;
    int button;
    UINT message;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigGpsFailureTest : public ConfigGpsTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(ConfigGpsFailureTest, ARefusedChangeEndsTheDialogAfterItsMessage)
{
    const FailureCase& c = GetParam();
    LoadModem();
    simmodem::SetValue(L"GpsTracking", c.trackingBefore);
    simmodem::SetValue(L"GpsSticky", 1);
    store.dwords[L"DontShowConfirmDialog"] = 1;
    GpsView whileShown;
    std::vector<std::wstring> messages;
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] { Click(dialog.m_hWnd, c.button); })
        .WaitFor(MessageUp())
        .Then([&] { whileShown = ReadGps(dialog.m_hWnd); })
        .Then(AcknowledgeMessage(messages));
    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(std::vector<std::wstring>{ResString(c.message)}, messages) << c.name;
    EXPECT_EQ((GpsView{ResString(IDS_GPS_CHANGING), false, false}), whileShown) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Switches, ConfigGpsFailureTest,
                         testing::Values(FailureCase{"On", 0, IDC_GPS_ON, IDS_GPS_ENABLE_FAILED},
                                         FailureCase{"Off", 1, IDC_GPS_OFF, IDS_GPS_DISABLE_FAILED}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace configtest
