// Opening, the state read at opening, its failures, the tooltip texts, the
// ways the dialog ends and the dialog without the GPS group.
#include "tests/config/ConfigTestBench.h"
#include "tests/support/HeapUse.h"

#include <cwchar>
#include <string>
#include <vector>

namespace configtest {
namespace {

struct OpeningCase {
    const char* name;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> modem; // stand-in values
    PinView expected;
};

void PrintTo(const OpeningCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigOpeningTest : public ConfigDialogTest, public testing::WithParamInterface<OpeningCase> {};

TEST_P(ConfigOpeningTest, ShowsTheCardStateWithOnlyTheUsefulButtons)
{
    const OpeningCase& c = GetParam();
    LoadModem();
    for (const auto& value : c.modem)
        simmodem::SetValue(value.first, value.second);

    PinView seen;
    bool messageShown = false;
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] {
        seen = ReadPin(dialog.m_hWnd);
        messageShown = dialog.MessageWindow() != nullptr;
        Click(dialog.m_hWnd, IDOK);
    });
    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(c.expected, seen) << c.name;
    EXPECT_FALSE(messageShown) << c.name << ": the dialog stays usable";
}

INSTANTIATE_TEST_SUITE_P(
    States, ConfigOpeningTest,
    testing::Values(OpeningCase{"NoCard", {{L"CardPresent", 0}}, ExpectedPin(IDS_CARD_ABSENT, {})},
                    OpeningCase{
                        "ProtectionOff", {{L"PinProtection", 0}}, ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_ON})},
                    OpeningCase{"ProtectionOnVerified",
                                {{L"PinVerified", 1}},
                                ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_OFF, IDC_PIN_CHANGE})},
                    OpeningCase{"VerificationNeeded", {}, ExpectedPin(IDS_PIN_NEEDED, {IDC_PIN_VERIFY})},
                    OpeningCase{"PinBlocked", {{L"PinLeft", 0}}, ExpectedPin(IDS_PUK_NEEDED, {IDC_PIN_UNBLOCK})},
                    // The card then reports itself usable: only the attempts tell.
                    OpeningCase{"NoUnblockAttempts", {{L"PukLeft", 0}}, ExpectedPin(IDS_CARD_LOCKED, {})},
                    OpeningCase{"NoUnblockAttemptsWhileBlocked",
                                {{L"PinLeft", 0}, {L"PukLeft", 0}, {L"StatusOverride", 4}},
                                ExpectedPin(IDS_CARD_LOCKED, {})}),
    [](const testing::TestParamInfo<OpeningCase>& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    bool loadLibrary;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> modem;
    std::wstring (*message)();
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigRefreshFailureTest : public ConfigDialogTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(ConfigRefreshFailureTest, ShowsTheErrorWithTheStateUnknownAndEnds)
{
    const FailureCase& c = GetParam();
    if (c.loadLibrary)
        LoadModem();
    else
        service.SetGpsOption(1);
    for (const auto& value : c.modem)
        simmodem::SetValue(value.first, value.second);

    PinView whileShown;
    std::vector<std::wstring> messages;
    CDialogScript script;
    script.WaitFor(MessageUp()).Then([&] { whileShown = ReadPin(dialog.m_hWnd); }).Then(AcknowledgeMessage(messages));
    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(std::vector<std::wstring>{c.message()}, messages) << c.name;
    EXPECT_EQ(ExpectedPin(IDS_STATUS_UNKNOWN, {}), whileShown) << c.name;
    EXPECT_EQ(ResString(IDS_STATUS_UNKNOWN), service.PinStatusText()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Failures, ConfigRefreshFailureTest,
                         testing::Values(FailureCase{"StatusUnreadable",
                                                     true,
                                                     {{L"Fail.UIMGetPINStatus", 5}},
                                                     [] { return ResString(IDS_COMM_FAILED); }},
                                         FailureCase{"NoModem", false, {}, [] { return ResString(IDS_NO_DEVICE); }},
                                         FailureCase{"UnknownStatus",
                                                     true,
                                                     {{L"StatusOverride", 6}},
                                                     [] { return Format(ResString(IDS_ERROR_CODE).c_str(), 22, 0); }}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// While the modem is being read, the lines say so and every button is off.
TEST_F(ConfigDialogTest, ShowsCheckingLinesUntilTheModemAnswers)
{
    service.SetGpsOption(1); // no library: the first read waits between its attempts
    PinView pinWhileReading;
    std::wstring gpsWhileReading;
    bool gpsButtonsOff = false;
    g_onWait = [&](std::uint32_t) {
        if (!pinWhileReading.line.empty() || dialog.m_hWnd == nullptr)
            return;
        pinWhileReading = ReadPin(dialog.m_hWnd);
        gpsWhileReading = ItemText(dialog.m_hWnd, IDC_GPS_STATUS);
        gpsButtonsOff = !ItemEnabled(dialog.m_hWnd, IDC_GPS_ON) && !ItemEnabled(dialog.m_hWnd, IDC_GPS_OFF);
    };
    std::vector<std::wstring> messages;
    CDialogScript script;
    script.WaitFor(MessageUp()).Then(AcknowledgeMessage(messages));
    Run(script);
    EXPECT_EQ(ExpectedPin(IDS_CARD_CHECKING, {}), pinWhileReading);
    EXPECT_EQ(ResString(IDS_GPS_CHECKING), gpsWhileReading);
    EXPECT_TRUE(gpsButtonsOff);
}

TEST_F(ConfigDialogTest, CopiesEveryLineIntoTheServiceAndTellsTheOwner)
{
    LoadModem();
    simmodem::SetValue(L"GpsTracking", 1);
    HICON icon = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDI_BRINDLE));
    dialog.m_hIcon = icon;

    std::wstring pinLine, gpsLine;
    HWND notify = nullptr;
    LRESULT smallIcon = 0;
    LRESULT header = 0;
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] {
            pinLine = ItemText(dialog.m_hWnd, IDC_PIN_STATUS);
            gpsLine = ItemText(dialog.m_hWnd, IDC_GPS_STATUS);
            notify = dialog.NotifyWindow();
            smallIcon = ::SendMessageW(dialog.m_hWnd, WM_GETICON, ICON_SMALL, 0);
            header = ::SendDlgItemMessageW(dialog.m_hWnd, IDC_CONFIG_HEADER, STM_GETIMAGE, IMAGE_BITMAP, 0);
        })
        .Then([&] { Click(dialog.m_hWnd, IDOK); });
    EXPECT_EQ(IDCANCEL, Run(script));
    MSG msg;
    while (::PeekMessageW(&msg, owner, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);

    EXPECT_EQ(ResString(IDS_PIN_NEEDED), pinLine);
    EXPECT_EQ(pinLine, service.PinStatusText());
    EXPECT_EQ(Format(ResString(IDS_GPS_ENABLED_PORT).c_str(), 7), gpsLine);
    EXPECT_EQ(gpsLine, service.GpsStatusText());
    EXPECT_EQ(owner, notify);
    EXPECT_EQ(4, g_trayUpdates) << "checking lines at opening, then the state read: two lines each";
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), smallIcon);
    EXPECT_NE(0, header) << "header picture";
}

struct EndingCase {
    const char* name;
    void (*end)(HWND hDlg);
};

void PrintTo(const EndingCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigEndingTest : public ConfigDialogTest, public testing::WithParamInterface<EndingCase> {};

TEST_P(ConfigEndingTest, EndsWithCancel)
{
    LoadModem();
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { GetParam().end(dialog.m_hWnd); });
    EXPECT_EQ(IDCANCEL, Run(script)) << GetParam().name;
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ConfigEndingTest,
    testing::Values(EndingCase{"CloseButton", [](HWND hDlg) { Click(hDlg, IDOK); }},
                    EndingCase{"Escape", [](HWND hDlg) { PressEscape(hDlg); }},
                    EndingCase{"CloseBox", [](HWND hDlg) { ::SendMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }}),
    [](const testing::TestParamInfo<EndingCase>& info) { return std::string(info.param.name); });

// Each opening shows the template's header and then the DPI's own: a
// hundred openings leave none of them behind.
TEST_F(ConfigDialogTest, OpensAgainAfterItEndedWithoutKeepingItsPictures)
{
    LoadModem();
    const int openings = 100;
    for (int opening = 0; opening < openings; ++opening) {
        CDialogScript script;
        script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDOK); });
        ASSERT_EQ(IDCANCEL, Run(script)) << "opening " << opening;
    }
    EXPECT_EQ(static_cast<std::uint32_t>(openings), simmodem::CallCount("GetServiceAutomaticTracking"))
        << "one GPS read per opening";
    EXPECT_GE(dialog.headerBitmaps.Recorded(), 2u);
    EXPECT_EQ(0u, dialog.headerBitmaps.Alive());
}

INT_PTR CALLBACK EndAtOnce(HWND hDlg, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    ::EndDialog(hDlg, IDCANCEL);
    return TRUE;
}

// An opening of the settings dialog, with its modem reads, its picture and
// its lines handed to the tray, leaves no more in the heaps than the bare
// template does. The bare template's share is the platform's: Wine 8's
// static control keeps a block for every control given a new font, and a
// dialog's font is new at each opening.
TEST_F(ConfigDialogTest, OpeningsLeaveNoMoreInTheHeapThanTheBareTemplate)
{
    LoadModem();
    const auto settings = [this] {
        CDialogScript script;
        script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDOK); });
        return Run(script) == IDCANCEL;
    };
    const auto bare = [this] {
        return ::DialogBoxParamW(Module(), MAKEINTRESOURCEW(IDD_CONFIG_GPS), owner, &EndAtOnce, 0) == IDCANCEL;
    };
    dialog.headerBitmaps.Reserve(256); // a new picture at every opening
    bool settingsRan = false, bareRan = false;
    const testsupport::HeapChange dialogShare = testsupport::HeapGrowth(settings, 40, settingsRan);
    const testsupport::HeapChange platformShare = testsupport::HeapGrowth(bare, 40, bareRan);
    ASSERT_TRUE(settingsRan && bareRan);
    EXPECT_EQ(platformShare.blocks, dialogShare.blocks) << "blocks left by 40 openings";
    EXPECT_EQ(platformShare.bytes, dialogShare.bytes) << "bytes left by 40 openings";
}

TEST_F(ConfigDialogTest, WithoutTheGpsOptionIgnoresTheGpsCommands)
{
    LoadModem(false);
    wcscpy(service.GpsStatusText(), L"untouched");
    bool hasGpsLine = true;
    std::vector<HWND> opened;
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] {
            hasGpsLine = ::GetDlgItem(dialog.m_hWnd, IDC_GPS_STATUS) != nullptr;
            Command(dialog.m_hWnd, IDC_GPS_ON);
            Command(dialog.m_hWnd, IDC_GPS_OFF);
            opened = ThreadDialogs(dialog.m_hWnd);
        })
        .Then([&] { Click(dialog.m_hWnd, IDOK); });
    EXPECT_EQ(IDCANCEL, Run(script, IDD_CONFIG));
    EXPECT_FALSE(hasGpsLine) << "template 112 has no GPS group";
    EXPECT_TRUE(opened.empty()) << "no confirmation";
    EXPECT_EQ(0u, simmodem::CallCount("GetServiceAutomaticTracking"));
    EXPECT_EQ(0u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_STREQ(L"untouched", service.GpsStatusText());
}

TEST_F(ConfigDialogTest, HandsTheCodeLengthsToThePinDialogs)
{
    LoadModem();
    dialog.m_nPinMin = 5;
    dialog.m_nPinMax = 6;
    dialog.m_nPukMin = 9;
    dialog.m_nPukMax = 10;
    std::vector<LRESULT> limits;
    auto readLimits = [&](std::function<HWND()> window, std::vector<int> edits) {
        return [&limits, window, edits] {
            for (int edit : edits)
                limits.push_back(::SendDlgItemMessageW(window(), edit, EM_GETLIMITTEXT, 0, 0));
            Click(window(), IDCANCEL);
        };
    };
    CDialogScript script;
    script.WaitFor(Refreshed())
        .Then([&] { Command(dialog.m_hWnd, IDC_PIN_VERIFY); })
        .Then(readLimits([&] { return dialog.CheckPinWindow(); }, {IDC_CHECK_PIN}))
        .Then([&] { Command(dialog.m_hWnd, IDC_PIN_CHANGE); })
        .Then(readLimits([&] { return dialog.ChangePinWindow(); }, {IDC_CHANGE_OLD_PIN, IDC_CHANGE_NEW_PIN}))
        .Then([&] { Command(dialog.m_hWnd, IDC_PIN_UNBLOCK); })
        .Then(readLimits([&] { return dialog.UnlockPukWindow(); }, {IDC_UNLOCK_PUK, IDC_UNLOCK_NEW_PIN}))
        .Then([&] { Click(dialog.m_hWnd, IDOK); });
    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ((std::vector<LRESULT>{6, 6, 6, 10, 6}), limits);
}

// The owner ends the dialog while something it opened is up: everything
// ends with the owner's result and the modem is not asked again.
struct OwnerCloseCase {
    const char* name;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> modem;
    bool suppressConfirmation;
    // Script steps that bring up the nested window, and that window.
    void (*reach)(CDialogScript& script, CTestConfigDialog& dialog, std::function<bool()> refreshed);
};

void PrintTo(const OwnerCloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigOwnerCloseTest : public ConfigDialogTest, public testing::WithParamInterface<OwnerCloseCase> {};

TEST_P(ConfigOwnerCloseTest, EndsEverythingWithTheOwnersResult)
{
    const OwnerCloseCase& c = GetParam();
    LoadModem();
    for (const auto& value : c.modem)
        simmodem::SetValue(value.first, value.second);
    if (c.suppressConfirmation)
        store.dwords[L"DontShowConfirmDialog"] = 1;

    std::uint32_t callsAtClose = 0;
    std::wstring pinTextAtClose, gpsTextAtClose;
    size_t dialogsAtClose = 0;
    CDialogScript script;
    c.reach(script, dialog, Refreshed());
    script.Then([&] {
        dialogsAtClose = ThreadDialogs().size();
        callsAtClose = ModemCalls();
        pinTextAtClose = service.PinStatusText();
        gpsTextAtClose = service.GpsStatusText();
        dialog.Close(DLG_CLOSED_BY_OWNER);
    });
    EXPECT_EQ(DLG_CLOSED_BY_OWNER, Run(script)) << c.name;
    EXPECT_GE(dialogsAtClose, 2u) << c.name << ": something was open over the settings dialog";
    EXPECT_EQ(callsAtClose, ModemCalls()) << c.name << ": no modem request after the close";
    EXPECT_EQ(pinTextAtClose, service.PinStatusText()) << c.name;
    EXPECT_EQ(gpsTextAtClose, service.GpsStatusText()) << c.name;
    EXPECT_TRUE(ThreadDialogs().empty()) << c.name;
}

void ClickWhenRefreshed(CDialogScript& script, CTestConfigDialog& dialog, std::function<bool()> refreshed, int id)
{
    script.WaitFor(refreshed).Then([&dialog, id] { Click(dialog.m_hWnd, id); });
}

INSTANTIATE_TEST_SUITE_P(
    Nested, ConfigOwnerCloseTest,
    testing::Values(OwnerCloseCase{"VerifyDialog",
                                   {},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_PIN_VERIFY);
                                       s.WaitFor([&d] { return d.CheckPinWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"VerifyDialogsOwnComplaint",
                                   {},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_PIN_VERIFY);
                                       s.WaitFor([&d] { return d.CheckPinWindow() != nullptr; }).Then([&d] {
                                           PasteInto(d.CheckPinWindow(), IDC_CHECK_PIN, L"1");
                                           Click(d.CheckPinWindow(), IDOK);
                                       });
                                       s.WaitFor([&d] { return OwnedDialog(d.CheckPinWindow()) != nullptr; });
                                   }},
                    OwnerCloseCase{"WrongCodeMessage",
                                   {},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_PIN_VERIFY);
                                       s.WaitFor([&d] { return d.CheckPinWindow() != nullptr; }).Then([&d] {
                                           PasteInto(d.CheckPinWindow(), IDC_CHECK_PIN, L"9999");
                                           Click(d.CheckPinWindow(), IDOK);
                                       });
                                       s.WaitFor([&d] { return d.MessageWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"ChangeDialog",
                                   {{L"PinVerified", 1}},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_PIN_CHANGE);
                                       s.WaitFor([&d] { return d.ChangePinWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"UnblockDialog",
                                   {{L"PinLeft", 0}},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_PIN_UNBLOCK);
                                       s.WaitFor([&d] { return d.UnlockPukWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"GpsConfirmation",
                                   {},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_GPS_ON);
                                       s.WaitFor([&d] { return d.ConfirmWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"GpsFailureMessage",
                                   {{L"GpsSticky", 1}},
                                   true,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()> r) {
                                       ClickWhenRefreshed(s, d, r, IDC_GPS_ON);
                                       s.WaitFor([&d] { return d.MessageWindow() != nullptr; });
                                   }},
                    OwnerCloseCase{"RefreshErrorMessage",
                                   {{L"Fail.UIMGetPINStatus", 5}},
                                   false,
                                   [](CDialogScript& s, CTestConfigDialog& d, std::function<bool()>) {
                                       s.WaitFor([&d] { return d.MessageWindow() != nullptr; });
                                   }}),
    [](const testing::TestParamInfo<OwnerCloseCase>& info) { return std::string(info.param.name); });

// Pictures for a person to look at and for the README: template 140 in three
// states. tools/screenshots draws them, the test run does not.
TEST_F(ConfigDialogTest, DISABLED_Screenshots)
{
    LoadModem();
    dialog.m_hIcon = ::LoadIconW(Module(), MAKEINTRESOURCEW(IDI_BRINDLE));
    auto shoot = [&](const wchar_t* name, std::function<void()> arrange) {
        simmodem::Reset();
        arrange();
        CDialogScript script;
        script.WaitFor(Refreshed()).Then([&] { SaveScreenshot(dialog.m_hWnd, name); }).Then([&] {
            Click(dialog.m_hWnd, IDOK);
        });
        EXPECT_EQ(IDCANCEL, Run(script)) << testing::PrintToString(std::wstring(name));
    };
    shoot(L"config_usable_protection_on", [] { simmodem::SetValue(L"PinVerified", 1); });
    shoot(L"config_pin_blocked", [] { simmodem::SetValue(L"PinLeft", 0); });
    shoot(L"config_gps_on", [] {
        simmodem::SetValue(L"PinProtection", 0);
        simmodem::SetValue(L"GpsTracking", 1);
    });
}

} // namespace
} // namespace configtest
