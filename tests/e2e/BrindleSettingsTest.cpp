// The settings dialog of brindle.exe as a user meets it: opened from the
// tray, its buttons following the card, the PIN1 operations with their
// code dialogs and messages, GPS switched on and off, and every status line
// carried into the tray's tooltip.
#include <initializer_list>
#include <utility>

#include "sim/gobiapi/SimModemControl.h"
#include "tests/e2e/BrindleFixture.h"
#include "tests/e2e/MainWindowMessages.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/RemoteDialog.h"

namespace e2e {
namespace {

namespace text = brindletext;

// Settings dialog: its close button; the other controls are in BrindleTexts.h.
constexpr int kCloseButton = IDOK;
using brindletext::kChangeCaption;
using brindletext::kUnblockCaption;

const wchar_t* const kCardValues[] = {L"CardPresent", L"PinProtection", L"PinVerified",
                                      L"PinLeft",     L"PukLeft",       L"StatusOverride"};

// The PIN buttons that are enabled, in the dialog's order, e.g. "1006 1002".
std::string EnabledPinButtons(HWND dialog)
{
    std::string enabled;
    for (int id : {kProtectOn, kProtectOff, kChange, kSettingsVerify, kUnblock}) {
        if (ItemEnabled(dialog, id))
            enabled += (enabled.empty() ? "" : " ") + std::to_string(id);
    }
    return enabled;
}

class BrindleSettingsTest : public BrindleTest {
protected:
    // Opens the settings dialog the way a user does (the menu's first item
    // or a left double click on the icon) and waits until it has read the
    // card.
    HWND OpenSettings(const CTestProcess& brindle, bool byDoubleClick)
    {
        if (byDoubleClick)
            DoubleClickIcon(true);
        else
            PostMenuCommand(m_window, kCmdOpenSettings);
        HWND dialog = WaitForDialog(brindle.Id(), kSettingsPinLine, text::kCaption, kStepMs);
        if (!dialog) {
            ADD_FAILURE() << "no settings dialog" << DescribeLog();
            return nullptr;
        }
        const bool read = WaitFor(
            [&] {
                const std::wstring line = ItemText(dialog, kSettingsPinLine);
                return !line.empty() && line != text::kCardChecking;
            },
            kStepMs);
        EXPECT_TRUE(read) << "the card was never read; line " << Narrow(ItemText(dialog, kSettingsPinLine));
        return dialog;
    }

    // Waits for a PIN code dialog, checks its attempts note, fills the
    // entries and confirms. Null when the dialog did not come.
    HWND EnterCodes(const CTestProcess& brindle, const wchar_t* caption, int firstEdit, int noteId, int attemptsLeft,
                    std::initializer_list<std::pair<int, std::wstring>> entries)
    {
        HWND dialog = WaitForDialog(brindle.Id(), firstEdit, caption, kStepMs);
        if (!dialog) {
            ADD_FAILURE() << "no dialog \"" << Narrow(caption) << "\"" << DescribeLog();
            return nullptr;
        }
        const std::wstring note = ItemText(dialog, noteId);
        EXPECT_NE(std::wstring::npos, note.find(AttemptsLeft(attemptsLeft)))
            << Narrow(caption) << " note: " << Narrow(note) << ", expected " << attemptsLeft << " attempts left";
        for (const auto& entry : entries)
            EXPECT_TRUE(TypeInto(dialog, entry.first, entry.second));
        EXPECT_TRUE(ClickButton(dialog, IDOK));
        EXPECT_TRUE(WaitForWindowGone(dialog, kStepMs)) << Narrow(caption) << " stays after OK";
        return dialog;
    }

    // Waits until the PIN line shows line (the operation has ended), then
    // checks the buttons, the line's way to the tooltip, and the focus.
    void ExpectPinGroup(HWND settings, const std::wstring& line, const std::string& enabled, const std::wstring& tip)
    {
        EXPECT_TRUE(WaitFor([&] { return ItemText(settings, kSettingsPinLine) == line; }, kStepMs))
            << "line " << Narrow(ItemText(settings, kSettingsPinLine)) << ", expected " << Narrow(line)
            << DescribeLog();
        EXPECT_EQ(enabled, EnabledPinButtons(settings)) << "line " << Narrow(line);
        EXPECT_TRUE(WaitForTip(tip)) << TipNow() << ", expected " << Narrow(tip);
    }

    void ExpectFocusOnClose(HWND settings)
    {
        EXPECT_TRUE(WaitFor([&] { return FocusOf(settings) == GetDlgItem(settings, kCloseButton); }, kStepMs))
            << "the focus is not on the close button after the operation";
    }

    void CloseSettings(HWND settings, bool byEsc)
    {
        if (byEsc)
            EXPECT_TRUE(PressKey(settings, VK_ESCAPE));
        else
            EXPECT_TRUE(ClickButton(settings, kCloseButton));
        EXPECT_TRUE(WaitForWindowGone(settings, kStepMs))
            << (byEsc ? "Esc" : "the close button") << " did not end the settings dialog";
    }

    static void ResetCard()
    {
        for (const wchar_t* name : kCardValues)
            simmodem::ClearValue(name);
    }
};

// One card state of the table below: the simulated card's values and what
// the dialog shows for them.
struct CardState {
    const char* name;
    std::vector<std::pair<const wchar_t*, std::uint32_t>> card;
    const wchar_t* line;
    const char* enabled;
    const char* screenshot;
};

TEST_F(BrindleSettingsTest, EveryOpeningShowsTheButtonsThatFitTheCardAndMenuExitEndsTheDialog)
{
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 0));
    simmodem::SetValue(L"CardPresent", 0);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(TipText(text::kCardAbsent, text::kGpsOff), Tray().TipOf(m_window)) << TipNow();
    EXPECT_TRUE(VisibleDialogs(brindle->Id()).empty()) << "no verify dialog without a card";

    // The dialog reads the card afresh at every opening, so one start
    // serves every state.
    const std::vector<CardState> states = {
        {"no card", {{L"CardPresent", 0}}, text::kCardAbsent, "", nullptr},
        {"protection off", {{L"PinProtection", 0}}, text::kUsable, "1004", nullptr},
        {"protection on, PIN1 verified", {{L"PinVerified", 1}}, text::kUsable, "1006 1002", "usable_protection_on"},
        {"PIN1 to verify", {}, text::kPinNeeded, "1005", nullptr},
        {"PIN1 blocked", {{L"PinLeft", 0}}, text::kPukNeeded, "1003", "pin1_blocked"},
        {"no unblock attempts", {{L"PukLeft", 0}}, text::kCardLocked, "", nullptr},
        {"no unblock attempts, PIN1 to verify",
         {{L"PukLeft", 0}, {L"StatusOverride", 1}},
         text::kCardLocked,
         "",
         nullptr},
    };
    Tray().ClearCalls();
    for (size_t i = 0; i < states.size(); ++i) {
        const CardState& state = states[i];
        SCOPED_TRACE(state.name);
        ResetCard();
        for (const auto& value : state.card)
            simmodem::SetValue(value.first, value.second);

        HWND settings = OpenSettings(*brindle, i % 2 == 1);
        ASSERT_NE(nullptr, settings);
        EXPECT_TRUE(ItemExists(settings, kGpsLine)) << "with the GPS option the dialog has the GPS group";
        ExpectPinGroup(settings, state.line, state.enabled, TipText(state.line, text::kGpsOff));
        EXPECT_EQ(text::kGpsOff, ItemText(settings, kGpsLine)) << Narrow(ItemText(settings, kGpsLine));
        EXPECT_TRUE(ItemEnabled(settings, kGpsOn));
        EXPECT_FALSE(ItemEnabled(settings, kGpsOff));
        if (i == 0) {
            EXPECT_TRUE(TipWasShown(TipText(text::kCardChecking, text::kGpsChecking)))
                << "the checking lines never reached the tooltip";
            // Without a card there is nothing to do, but the dialog stays.
            ASSERT_TRUE(RoundTrip());
            EXPECT_TRUE(IsWindowVisible(settings));
            EXPECT_EQ(text::kCardAbsent, ItemText(settings, kSettingsPinLine));
        }
        if (state.screenshot)
            Screenshot(state.screenshot, settings);
        CloseSettings(settings, i % 2 == 0);
    }

    // Exit from the menu while the dialog is open: the dialog ends and the
    // program does not go on to ask the card.
    ResetCard();
    HWND settings = OpenSettings(*brindle, false);
    ASSERT_NE(nullptr, settings);
    const std::uint32_t statusQueries = simmodem::CallCount("UIMGetPINStatus");
    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    EXPECT_TRUE(WaitForWindowGone(settings, kStepMs));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(statusQueries, simmodem::CallCount("UIMGetPINStatus")) << "the card was asked after the exit command";
}

TEST_F(BrindleSettingsTest, PinOperationsChangeTheCardAndEveryChangeReachesTheTip)
{
    simmodem::SetValue(L"PinProtection", 0);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(TipText(text::kUsable), Tray().TipOf(m_window)) << TipNow();

    HWND settings = OpenSettings(*brindle, true);
    ASSERT_NE(nullptr, settings);
    EXPECT_FALSE(ItemExists(settings, kGpsLine)) << "template 112 without the GPS option";
    EXPECT_FALSE(ItemExists(settings, kGpsOn));
    ExpectPinGroup(settings, text::kUsable, "1004", TipText(text::kUsable));
    // A GPS command that reaches the dialog anyway is ignored.
    ASSERT_TRUE(PostCommand(settings, kGpsOn));
    ASSERT_TRUE(RoundTrip());
    EXPECT_EQ(1u, TopLevelWindows(brindle->Id(), L"#32770").size()) << "something opened for a GPS command";
    EXPECT_EQ(0u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(0u, simmodem::CallCount("GetServiceAutomaticTracking"));

    // Protection on.
    ASSERT_TRUE(ClickButton(settings, kProtectOn));
    EnterPin(*brindle, L"1234", 3);
    ExpectPinGroup(settings, text::kUsable, "1006 1002", TipText(text::kUsable));
    ExpectFocusOnClose(settings);
    EXPECT_EQ(1u, simmodem::GetValue(L"PinProtection", 0));

    // Change PIN1: a wrong current code, the message, the dialog again.
    ASSERT_TRUE(ClickButton(settings, kChange));
    EnterCodes(*brindle, kChangeCaption, kChangeOldPin, kChangeNote, 3,
               {{kChangeOldPin, L"9999"}, {kChangeNewPin, L"5678"}, {kChangeConfirm, L"5678"}});
    ConfirmMessage(*brindle, text::kPinWrong, text::kPukWrong);
    EnterCodes(*brindle, kChangeCaption, kChangeOldPin, kChangeNote, 2,
               {{kChangeOldPin, L"1234"}, {kChangeNewPin, L"5678"}, {kChangeConfirm, L"5678"}});
    ExpectPinGroup(settings, text::kUsable, "1006 1002", TipText(text::kUsable));
    EXPECT_EQ(L"5678", simmodem::GetText(L"Pin", L"1234"));
    EXPECT_EQ(2u, simmodem::CallCount("UIMChangePIN"));

    // Protection off with the new code.
    ASSERT_TRUE(ClickButton(settings, kProtectOff));
    EnterPin(*brindle, L"5678", 3);
    ExpectPinGroup(settings, text::kUsable, "1004", TipText(text::kUsable));
    EXPECT_EQ(0u, simmodem::GetValue(L"PinProtection", 1));
    CloseSettings(settings, true);

    // The card asks for PIN1 again (protection back on, as after a restart
    // of the modem). A wrong code brings the message and the dialog again;
    // Cancel there changes nothing; the right code makes the card usable.
    simmodem::SetValue(L"PinProtection", 1);
    simmodem::SetValue(L"PinVerified", 0);
    settings = OpenSettings(*brindle, false);
    ASSERT_NE(nullptr, settings);
    ExpectPinGroup(settings, text::kPinNeeded, "1005", TipText(text::kPinNeeded));
    ASSERT_TRUE(ClickButton(settings, kSettingsVerify));
    EnterPin(*brindle, L"0000", 3);
    ConfirmMessage(*brindle, text::kPinWrong, text::kPukWrong);
    HWND again = WaitForDialog(brindle->Id(), kVerifyPin, kVerifyCaption, kStepMs);
    ASSERT_NE(nullptr, again) << "no verify dialog after the wrong code";
    EXPECT_EQ(Narrow(PinAttemptsNote(2)), Narrow(ItemText(again, kVerifyNote)));
    ASSERT_TRUE(ClickButton(again, IDCANCEL));
    EXPECT_TRUE(WaitForWindowGone(again, kStepMs));
    ASSERT_TRUE(RoundTrip());
    EXPECT_EQ(text::kPinNeeded, ItemText(settings, kSettingsPinLine)) << "a cancelled verification changed the line";
    EXPECT_EQ("1005", EnabledPinButtons(settings));
    ASSERT_TRUE(ClickButton(settings, kSettingsVerify));
    EnterPin(*brindle, L"5678", 2);
    ExpectPinGroup(settings, text::kUsable, "1006 1002", TipText(text::kUsable));
    ExpectFocusOnClose(settings);
    EXPECT_EQ(1u, simmodem::GetValue(L"PinVerified", 0));
    EXPECT_EQ(3u, simmodem::GetValue(L"PinLeft", 0));
    CloseSettings(settings, false);

    // Three wrong codes block PIN1 and leave only the unblock button.
    simmodem::SetValue(L"PinVerified", 0);
    settings = OpenSettings(*brindle, true);
    ASSERT_NE(nullptr, settings);
    ExpectPinGroup(settings, text::kPinNeeded, "1005", TipText(text::kPinNeeded));
    ASSERT_TRUE(ClickButton(settings, kSettingsVerify));
    EnterPin(*brindle, L"0000", 3);
    ConfirmMessage(*brindle, text::kPinWrong, text::kPukWrong);
    EnterPin(*brindle, L"0000", 2);
    ConfirmMessage(*brindle, text::kPinWrong, text::kPukWrong);
    EnterPin(*brindle, L"0000", 1);
    ConfirmMessage(*brindle, text::kPinBlocked, text::kCardLockedNow);
    ExpectPinGroup(settings, text::kPukNeeded, "1003", TipText(text::kPukNeeded));
    ExpectFocusOnClose(settings);
    EXPECT_EQ(0u, simmodem::GetValue(L"PinLeft", 3));

    // Unblock: a wrong unblock code, the message, the dialog again with one
    // attempt fewer, then the right one with a new PIN1.
    ASSERT_TRUE(ClickButton(settings, kUnblock));
    EnterCodes(*brindle, kUnblockCaption, kUnblockPuk, kUnblockNote, 10,
               {{kUnblockPuk, L"87654321"}, {kUnblockNewPin, L"1111"}, {kUnblockConfirm, L"1111"}});
    ConfirmMessage(*brindle, text::kPukWrong, text::kPinWrong);
    EnterCodes(*brindle, kUnblockCaption, kUnblockPuk, kUnblockNote, 9,
               {{kUnblockPuk, L"12345678"}, {kUnblockNewPin, L"1111"}, {kUnblockConfirm, L"1111"}});
    ExpectPinGroup(settings, text::kUsable, "1006 1002", TipText(text::kUsable));
    ExpectFocusOnClose(settings);
    EXPECT_EQ(L"1111", simmodem::GetText(L"Pin", L""));
    EXPECT_EQ(3u, simmodem::GetValue(L"PinLeft", 0));
    CloseSettings(settings, false);

    // PIN1 blocked once more with a single unblock attempt left: wasting it
    // locks the card for good.
    simmodem::SetValue(L"PinLeft", 0);
    simmodem::SetValue(L"PukLeft", 1);
    settings = OpenSettings(*brindle, true);
    ASSERT_NE(nullptr, settings);
    ExpectPinGroup(settings, text::kPukNeeded, "1003", TipText(text::kPukNeeded));
    ASSERT_TRUE(ClickButton(settings, kUnblock));
    EnterCodes(*brindle, kUnblockCaption, kUnblockPuk, kUnblockNote, 1,
               {{kUnblockPuk, L"87654321"}, {kUnblockNewPin, L"1111"}, {kUnblockConfirm, L"1111"}});
    ConfirmMessage(*brindle, text::kCardLockedNow, text::kPinBlocked);
    ExpectPinGroup(settings, text::kCardLocked, "", TipText(text::kCardLocked));
    ExpectFocusOnClose(settings);
    EXPECT_TRUE(IsWindowVisible(settings)) << "the dialog stays after the card is locked";
    CloseSettings(settings, true);
    EXPECT_EQ(TipText(text::kCardLocked), Tray().TipOf(m_window)) << TipNow();

    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
}

TEST_F(BrindleSettingsTest, GpsGoesOnAfterOneConfirmationAndOffWithoutAsking)
{
    ASSERT_TRUE(ProductKey().SetDword(L"GPSOption", 1));
    ASSERT_TRUE(ProductKey().SetDword(L"GPSStatus", 0));
    ProductKey().DeleteValue(L"DontShowConfirmDialog");
    simmodem::SetValue(L"PinVerified", 1);
    CTestProcess* brindle = StartBrindle();
    ASSERT_NE(nullptr, brindle);
    EXPECT_EQ(TipText(text::kUsable, text::kGpsOff), Tray().TipOf(m_window)) << TipNow();

    HWND settings = OpenSettings(*brindle, false);
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(text::kGpsOff, ItemText(settings, kGpsLine));

    // Cancelled confirmation: nothing changes.
    ASSERT_TRUE(ClickButton(settings, kGpsOn));
    HWND confirm = WaitForDialog(brindle->Id(), kDontShowAgain, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, confirm) << "switching GPS on asks first";
    EXPECT_FALSE(IsDlgButtonChecked(confirm, kDontShowAgain));
    ASSERT_TRUE(ClickButton(confirm, IDCANCEL));
    EXPECT_TRUE(WaitForWindowGone(confirm, kStepMs));
    ASSERT_TRUE(RoundTrip());
    EXPECT_EQ(text::kGpsOff, ItemText(settings, kGpsLine));
    EXPECT_EQ(0u, simmodem::CallCount("SetServiceAutomaticTracking"));
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 0));

    // Confirmed with "do not show again": GPS on, its port shown, the choice kept.
    ASSERT_TRUE(ClickButton(settings, kGpsOn));
    confirm = WaitForDialog(brindle->Id(), kDontShowAgain, text::kCaption, kStepMs);
    ASSERT_NE(nullptr, confirm);
    ASSERT_TRUE(ClickButton(confirm, kDontShowAgain));
    EXPECT_TRUE(WaitFor([&] { return IsDlgButtonChecked(confirm, kDontShowAgain) == BST_CHECKED; }, kStepMs));
    ASSERT_TRUE(ClickButton(confirm, IDOK));
    EXPECT_TRUE(WaitForWindowGone(confirm, kStepMs));
    EXPECT_TRUE(WaitFor([&] { return ItemText(settings, kGpsLine) == text::kGpsOnCom7; }, kStepMs))
        << Narrow(ItemText(settings, kGpsLine)) << DescribeLog();
    EXPECT_FALSE(ItemEnabled(settings, kGpsOn));
    EXPECT_TRUE(ItemEnabled(settings, kGpsOff));
    ExpectFocusOnClose(settings);
    EXPECT_TRUE(WaitForTip(TipText(text::kUsable, text::kGpsOnCom7))) << TipNow();
    EXPECT_EQ(1u, simmodem::GetValue(L"GpsTracking", 0));
    std::uint32_t value = 0;
    EXPECT_TRUE(ProductKey().GetDword(L"DontShowConfirmDialog", value));
    EXPECT_EQ(1u, value);
    EXPECT_TRUE(ProductKey().GetDword(L"GPSStatus", value));
    EXPECT_EQ(2u, value);
    Screenshot("gps_on", settings);

    // Off never asks; on asks no more.
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "on again" : "off");
        const std::wstring line = on ? text::kGpsOnCom7 : text::kGpsOff;
        ASSERT_TRUE(ClickButton(settings, on ? kGpsOn : kGpsOff));
        bool asked = false;
        EXPECT_TRUE(WaitFor(
            [&] {
                asked = asked || FindDialog(brindle->Id(), kDontShowAgain, text::kCaption) != nullptr;
                return ItemText(settings, kGpsLine) == line;
            },
            kStepMs))
            << Narrow(ItemText(settings, kGpsLine));
        EXPECT_FALSE(asked);
        EXPECT_EQ(on, ItemEnabled(settings, kGpsOff));
        EXPECT_EQ(!on, ItemEnabled(settings, kGpsOn));
        EXPECT_TRUE(WaitForTip(TipText(text::kUsable, line))) << TipNow();
        EXPECT_EQ(on ? 1u : 0u, simmodem::GetValue(L"GpsTracking", 9));
    }
    CloseSettings(settings, true);

    ASSERT_TRUE(PostMenuCommand(m_window, kCmdExit));
    ExpectOrderlyExit(*brindle);
    EXPECT_EQ(0u, simmodem::GetValue(L"GpsTracking", 1)) << "GPS is switched off at exit";
    EXPECT_TRUE(ProductKey().GetDword(L"GPSStatus", value));
    EXPECT_EQ(2u, value) << "the choice survives the exit";
}

} // namespace
} // namespace e2e
