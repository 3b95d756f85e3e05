// The tray's status texts and tooltip, computed by the application object
// from the stand-in modem.
#include "app/Brindle.h"
#include "app/MainWindowIds.h"
#include "app/TrayText.h"
#include "modem/SimService.h"
#include "sim/gobiapi/SimModemControl.h"
#include "tests/app/TestWindow.h"
#include "tests/support/BrindleTexts.h"
#include "tests/support/RecordedDelays.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

namespace text = brindletext;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

using Values = std::vector<std::pair<const wchar_t*, std::uint32_t>>;

class StatusTextsSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.DisconnectModem();
        simmodem::Reset();
        ASSERT_TRUE(simmodem::UseVariant(L"full"));
        service.SetNmeaPort(-1);
    }

    void TearDown() override
    {
        service.DisconnectModem();
        service.SetGpsOption(0);
        service.SetNmeaPort(-1);
        simmodem::Reset();
    }

    // The tracking functions are resolved only for the GPS option, so the
    // option is set before the library is loaded.
    void Load(bool gps)
    {
        service.SetGpsOption(gps ? 1 : 0);
        ASSERT_EQ(0, service.LoadQMI());
    }

    static void Apply(const Values& values)
    {
        for (const auto& value : values)
            simmodem::SetValue(value.first, value.second);
    }

    CSimService& service = CSimService::Instance();
    CBrindle app{GetModuleHandleW(nullptr)};
    RecordedDelays delays;
};

struct PinCase {
    const char* name;
    Values card;
    const char* failingExport; // answers 1234, or null
    const wchar_t* text;
};

void PrintTo(const PinCase& c, std::ostream* os)
{
    *os << c.name;
}

class PinStatusTextSimTest : public StatusTextsSimTest, public ::testing::WithParamInterface<PinCase> {};

TEST_P(PinStatusTextSimTest, TextFollowsTheCard)
{
    const PinCase& c = GetParam();
    Load(false);
    Apply(c.card);
    if (c.failingExport != nullptr)
        simmodem::FailCall(c.failingExport, 1234);
    EXPECT_EQ(1, app.UpdateStatusTexts(nullptr, 0));
    EXPECT_EQ(c.text, std::wstring(service.PinStatusText())) << Narrow(service.PinStatusText());
    EXPECT_EQ(L'\0', service.GpsStatusText()[0]) << "no GPS text without the option";
}

INSTANTIATE_TEST_SUITE_P(
    Cards, PinStatusTextSimTest,
    ::testing::Values(PinCase{"FreshCardNeedsPin1", {}, nullptr, text::kPinNeeded},
                      PinCase{"VerifiedCardIsUsable", {{L"PinVerified", 1}}, nullptr, text::kUsable},
                      PinCase{"ProtectionOffIsUsable", {{L"PinProtection", 0}}, nullptr, text::kUsable},
                      PinCase{"NoCard", {{L"CardPresent", 0}}, nullptr, text::kCardAbsent},
                      PinCase{"Pin1BlockedNeedsUnblock", {{L"PinLeft", 0}}, nullptr, text::kPukNeeded},
                      PinCase{"UnblockAttemptsUsedUp", {{L"PukLeft", 0}}, nullptr, text::kCardLocked},
                      PinCase{"UnblockAttemptsUsedUpWhateverTheStatus",
                              {{L"PukLeft", 0}, {L"StatusOverride", 1}},
                              nullptr,
                              text::kCardLocked},
                      PinCase{"UnknownStatusValue", {{L"StatusOverride", 9}}, nullptr, text::kUnknown},
                      PinCase{"StatusQueryFails", {}, "UIMGetPINStatus", text::kUnknown},
                      PinCase{"ModemDoesNotAnswer", {{L"ConnectFailures", 1000}}, nullptr, text::kUnknown}),
    [](const ::testing::TestParamInfo<PinCase>& info) { return std::string(info.param.name); });

struct GpsCase {
    const char* name;
    std::uint32_t tracking;
    std::int32_t nmeaPort;
    bool trackingFails;
    std::wstring text;
};

void PrintTo(const GpsCase& c, std::ostream* os)
{
    *os << c.name;
}

class GpsStatusTextSimTest : public StatusTextsSimTest, public ::testing::WithParamInterface<GpsCase> {};

TEST_P(GpsStatusTextSimTest, TextFollowsTheModule)
{
    const GpsCase& c = GetParam();
    Load(true);
    simmodem::SetValue(L"GpsTracking", c.tracking);
    if (c.trackingFails)
        simmodem::FailCall("GetServiceAutomaticTracking", 1234);
    service.SetNmeaPort(c.nmeaPort);
    app.UpdateStatusTexts(nullptr, 0);
    EXPECT_EQ(c.text, std::wstring(service.GpsStatusText())) << Narrow(service.GpsStatusText());
}

INSTANTIATE_TEST_SUITE_P(Modules, GpsStatusTextSimTest,
                         ::testing::Values(GpsCase{"OnWithPort", 1, 5, false, Format(text::kGpsOnPort, 5)},
                                           GpsCase{"OnWithTwoDigitPort", 1, 12, false, Format(text::kGpsOnPort, 12)},
                                           GpsCase{"OnPortUnknown", 1, -1, false, text::kGpsOn},
                                           GpsCase{"Off", 0, 7, false, text::kGpsOff},
                                           GpsCase{"Unreadable", 1, 7, true, text::kUnknown}),
                         [](const ::testing::TestParamInfo<GpsCase>& info) { return std::string(info.param.name); });

TEST_F(StatusTextsSimTest, TooltipHasTheGpsLineOnlyWithTheOption)
{
    Load(true);
    simmodem::SetValue(L"PinVerified", 1);
    simmodem::SetValue(L"GpsTracking", 1);
    service.SetNmeaPort(5);
    app.UpdateStatusTexts(nullptr, 0);
    wchar_t tip[kTooltipChars];
    app.BuildTooltip(tip);
    EXPECT_EQ(text::TipText(text::kUsable, Format(text::kGpsOnPort, 5)), tip) << Narrow(tip);

    // Loaded again in the same process, the card comes back from a power
    // cycle: verified again for the second half.
    service.DisconnectModem();
    Load(false);
    simmodem::SetValue(L"PinVerified", 1);
    app.UpdateStatusTexts(nullptr, 0);
    app.BuildTooltip(tip);
    EXPECT_EQ(text::TipText(text::kUsable), tip) << Narrow(tip);
}

int CountPosted(HWND window, UINT message)
{
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, window, message, message, PM_REMOVE))
        ++count;
    return count;
}

TEST_F(StatusTextsSimTest, NotifyPostsOneTrayUpdate)
{
    Load(true);
    TestWindow window;
    ASSERT_NE(nullptr, window.Get());
    app.UpdateStatusTexts(window.Get(), 0);
    EXPECT_EQ(0, CountPosted(window.Get(), WM_TRAY_UPDATE));
    app.UpdateStatusTexts(window.Get(), 1);
    EXPECT_EQ(1, CountPosted(window.Get(), WM_TRAY_UPDATE)) << "one refresh for both texts";
    app.SetPinStatusUnknown(window.Get(), 1);
    EXPECT_EQ(1, CountPosted(window.Get(), WM_TRAY_UPDATE));
    EXPECT_EQ(text::kUnknown, std::wstring(service.PinStatusText()));
}

} // namespace
