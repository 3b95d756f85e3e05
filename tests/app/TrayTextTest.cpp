// The tray's text choices and the resume try counting.
#include "app/ResumeTries.h"
#include "app/TrayText.h"
#include "modem/SimCodes.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

struct PinTextCase {
    int status;
    int unblockLeft;
    unsigned stringId;
};

void PrintTo(const PinTextCase& c, std::ostream* os)
{
    *os << "status " << c.status << ", unblock left " << c.unblockLeft << " -> string " << c.stringId;
}

class TrayPinTextTest : public ::testing::TestWithParam<PinTextCase> {};

TEST_P(TrayPinTextTest, FirstMatchingRowWins)
{
    const PinTextCase& c = GetParam();
    EXPECT_EQ(c.stringId, TrayPinStatusStringId(c.status, c.unblockLeft));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TrayPinTextTest,
    ::testing::Values(
        // No card beats everything, also an unknown attempt count.
        PinTextCase{SIM_NOT_INITIALIZED, 0, IDS_CARD_ABSENT}, PinTextCase{SIM_NOT_INITIALIZED, -1, IDS_CARD_ABSENT},
        // A failed status beats the attempt count.
        PinTextCase{SIM_NO_DEVICE, 0, IDS_STATUS_UNKNOWN}, PinTextCase{SIM_BUSY, 3, IDS_STATUS_UNKNOWN},
        PinTextCase{SIM_NOT_CONNECTED, 3, IDS_STATUS_UNKNOWN}, PinTextCase{SIM_FAILED, 10, IDS_STATUS_UNKNOWN},
        // No unblock attempts left beats every card state.
        PinTextCase{SIM_PUK_REQUIRED, 0, IDS_CARD_LOCKED}, PinTextCase{SIM_PIN_VERIFY_REQUIRED, 0, IDS_CARD_LOCKED},
        PinTextCase{SIM_PIN_READY, 0, IDS_CARD_LOCKED}, PinTextCase{SIM_PUK_REQUIRED, 10, IDS_PUK_NEEDED},
        PinTextCase{SIM_PIN_VERIFY_REQUIRED, 10, IDS_PIN_NEEDED}, PinTextCase{SIM_PIN_READY, 10, IDS_CARD_USABLE},
        PinTextCase{SIM_PIN_READY, 1, IDS_CARD_USABLE}));

TEST(TrayTooltipTest, FormatFollowsTheGpsOption)
{
    EXPECT_EQ(static_cast<unsigned>(IDS_TOOLTIP), TooltipStringId(false));
    EXPECT_EQ(static_cast<unsigned>(IDS_TOOLTIP_GPS), TooltipStringId(true));
}

TEST(TrayTooltipTest, FillsBothLinesOfTheGpsFormat)
{
    wchar_t tip[kTooltipChars];
    FormatTooltip(tip, kTooltipChars, L"T\nPIN: %s\nGPS: %s", L"pin text", L"gps text");
    EXPECT_EQ(std::wstring(L"T\nPIN: pin text\nGPS: gps text"), tip);
    FormatTooltip(tip, kTooltipChars, L"T\nPIN: %s", L"pin text", L"gps text");
    EXPECT_EQ(std::wstring(L"T\nPIN: pin text"), tip);
}

TEST(TrayTooltipTest, LongTextsAreCutToTheShellsCapacity)
{
    const std::wstring pin(200, L'p');
    const std::wstring gps(200, L'g');
    wchar_t tip[kTooltipChars + 8];
    std::wmemset(tip, L'#', kTooltipChars + 8);
    FormatTooltip(tip, kTooltipChars, L"Brindle\nPIN: %s\nGPS: %s", pin.c_str(), gps.c_str());
    const std::wstring expected = (L"Brindle\nPIN: " + pin).substr(0, kTooltipChars - 1);
    EXPECT_EQ(expected, std::wstring(tip));
    EXPECT_EQ(L'#', tip[kTooltipChars]) << "nothing written past the tip";
}

TEST(TrayTooltipTest, MissingTextsGiveEmptyPlaceholders)
{
    wchar_t tip[kTooltipChars];
    FormatTooltip(tip, kTooltipChars, L"[%s][%s]", nullptr, nullptr);
    EXPECT_EQ(std::wstring(L"[][]"), tip);
}

// Tries made after a resume whose every reconnect fails.
std::uint32_t TriesUntilGivingUp(std::uint32_t tryCount)
{
    CResumeTries tries;
    tries.Start(tryCount);
    std::uint32_t made = 1;
    while (tries.CountFailedTry() && made < 1000)
        ++made;
    return made;
}

class ResumeTriesTest : public ::testing::TestWithParam<std::pair<std::uint32_t, std::uint32_t>> {};

TEST_P(ResumeTriesTest, EveryResumeMakesAtLeastOneTry)
{
    EXPECT_EQ(GetParam().second, TriesUntilGivingUp(GetParam().first)) << "ResumeTryCount " << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(Counts, ResumeTriesTest,
                         ::testing::Values(std::make_pair(0u, 1u), std::make_pair(1u, 1u), std::make_pair(2u, 2u),
                                           std::make_pair(12u, 12u)));

TEST(ResumeTriesRestartTest, ANewResumeStartsTheCountAfresh)
{
    CResumeTries tries;
    tries.Start(3);
    EXPECT_TRUE(tries.CountFailedTry());
    tries.Start(3);
    EXPECT_TRUE(tries.CountFailedTry());
    EXPECT_TRUE(tries.CountFailedTry());
    EXPECT_FALSE(tries.CountFailedTry()) << "three tries, then the last failure gives up";
}

} // namespace
