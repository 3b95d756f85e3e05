// The five PIN1 operations of the settings dialog against the stand-in card.
#include "tests/config/ConfigTestBench.h"

#include <string>
#include <vector>

namespace configtest {
namespace {

const std::vector<int> kCheckEdits = {IDC_CHECK_PIN};
const std::vector<int> kChangeEdits = {IDC_CHANGE_OLD_PIN, IDC_CHANGE_NEW_PIN, IDC_CHANGE_NEW_PIN_CONFIRM};
const std::vector<int> kUnlockEdits = {IDC_UNLOCK_PUK, IDC_UNLOCK_NEW_PIN, IDC_UNLOCK_NEW_PIN_CONFIRM};

std::wstring PinNote(int left)
{
    return Format(ResString(IDS_PIN_RETRIES_NOTE).c_str(), left);
}
std::wstring PukNote(int left)
{
    return Format(ResString(IDS_PUK_RETRIES_NOTE).c_str(), left);
}

class ConfigPinTest : public ConfigDialogTest {
protected:
    // Steps: wait for the PIN dialog, keep its attempt note, paste codes and
    // press OK; no codes: press Cancel.
    void Enter(CDialogScript& script, HWND (CTestConfigDialog::*window)() const, int noteId,
               const std::vector<int>& edits, std::vector<std::wstring> codes)
    {
        script.WaitFor([this, window] { return (dialog.*window)() != nullptr; })
            .Then([this, window, noteId, &edits, codes] {
                HWND hPin = (dialog.*window)();
                notes.push_back(ItemText(hPin, noteId));
                if (codes.empty()) {
                    Click(hPin, IDCANCEL);
                    return;
                }
                for (size_t i = 0; i < edits.size(); ++i)
                    PasteInto(hPin, edits[i], codes[i].c_str());
                Click(hPin, IDOK);
            });
    }

    void EnterPin(CDialogScript& script, const wchar_t* pin)
    {
        Enter(script, &CTestConfigDialog::CheckPinWindow, IDC_CHECK_PIN_NOTE, kCheckEdits,
              pin != nullptr ? std::vector<std::wstring>{pin} : std::vector<std::wstring>{});
    }

    void Acknowledge(CDialogScript& script) { script.WaitFor(MessageUp()).Then(AcknowledgeMessage(messages)); }

    // The last steps: the PIN group and the focus as left, then the close button.
    void Finish(CDialogScript& script)
    {
        script.Then([this] {
            finalView = ReadPin(dialog.m_hWnd);
            focusOnClose = IsFocused(dialog.m_hWnd, IDOK);
            nothingOver = ThreadDialogs(dialog.m_hWnd).empty();
            Click(dialog.m_hWnd, IDOK);
        });
    }

    std::vector<std::wstring> notes;
    std::vector<std::wstring> messages;
    PinView finalView;
    bool focusOnClose = false;
    bool nothingOver = false; // no message or PIN dialog left over the settings dialog
};

TEST_F(ConfigPinTest, VerifyAsksAgainAfterAWrongCodeWithOneAttemptFewer)
{
    LoadModem();
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_VERIFY); });
    EnterPin(script, L"9999");
    Acknowledge(script);
    EnterPin(script, L"1234");
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ((std::vector<std::wstring>{PinNote(3), PinNote(2)}), notes);
    EXPECT_EQ(std::vector<std::wstring>{ResString(IDS_PIN_WRONG)}, messages);
    EXPECT_EQ(ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_OFF, IDC_PIN_CHANGE}), finalView);
    EXPECT_TRUE(focusOnClose);
    EXPECT_TRUE(nothingOver);
    EXPECT_EQ(1u, simmodem::GetValue(L"PinVerified", 0));
    EXPECT_EQ(ResString(IDS_CARD_USABLE), service.PinStatusText());
    EXPECT_TRUE(dialog.CodesWiped()) << "PIN1 must not stay in memory";
}

TEST_F(ConfigPinTest, CancelAfterAWrongCodeLeavesTheStateAsItWas)
{
    LoadModem();
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_VERIFY); });
    EnterPin(script, L"9999");
    Acknowledge(script);
    EnterPin(script, nullptr);
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ((std::vector<std::wstring>{PinNote(3), PinNote(2)}), notes);
    EXPECT_EQ(ExpectedPin(IDS_PIN_NEEDED, {IDC_PIN_VERIFY}), finalView);
    EXPECT_EQ(1u, simmodem::CallCount("UIMVerifyPIN"));
}

TEST_F(ConfigPinTest, TheLastWrongCodeLeavesOnlyTheUnblockButton)
{
    LoadModem();
    simmodem::SetValue(L"PinLeft", 1);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_VERIFY); });
    EnterPin(script, L"9999");
    Acknowledge(script);
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(std::vector<std::wstring>{PinNote(1)}, notes);
    EXPECT_EQ(std::vector<std::wstring>{ResString(IDS_PIN_BLOCKED)}, messages);
    EXPECT_EQ(ExpectedPin(IDS_PUK_NEEDED, {IDC_PIN_UNBLOCK}), finalView);
    EXPECT_TRUE(focusOnClose);
    EXPECT_EQ(0u, simmodem::GetValue(L"PinLeft", 3));
}

struct ProtectionCase {
    const char* name;
    std::uint32_t protectionBefore;
    int button;
    std::uint32_t protectionAfter;
    PinView expected;
};

void PrintTo(const ProtectionCase& c, std::ostream* os)
{
    *os << c.name;
}

class ConfigProtectionTest : public ConfigPinTest, public testing::WithParamInterface<ProtectionCase> {};

TEST_P(ConfigProtectionTest, SwitchesProtectionWithThePin)
{
    const ProtectionCase& c = GetParam();
    LoadModem();
    simmodem::SetValue(L"PinProtection", c.protectionBefore);
    simmodem::SetValue(L"PinVerified", 1);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, c.button); });
    EnterPin(script, L"1234");
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script)) << c.name;
    EXPECT_EQ(c.expected, finalView) << c.name;
    EXPECT_TRUE(focusOnClose) << c.name << ": the pressed button is disabled now";
    EXPECT_EQ(c.protectionAfter, simmodem::GetValue(L"PinProtection", 99)) << c.name;
    EXPECT_TRUE(messages.empty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ConfigProtectionTest,
    testing::Values(ProtectionCase{"On", 0, IDC_PIN_PROTECT_ON, 1,
                                   ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_OFF, IDC_PIN_CHANGE})},
                    ProtectionCase{"Off", 1, IDC_PIN_PROTECT_OFF, 0,
                                   ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_ON})}),
    [](const testing::TestParamInfo<ProtectionCase>& info) { return std::string(info.param.name); });

TEST_F(ConfigPinTest, ChangeAsksAgainAfterAWrongCurrentCode)
{
    LoadModem();
    simmodem::SetValue(L"PinVerified", 1);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_CHANGE); });
    Enter(script, &CTestConfigDialog::ChangePinWindow, IDC_CHANGE_PIN_NOTE, kChangeEdits, {L"0000", L"5678", L"5678"});
    Acknowledge(script);
    Enter(script, &CTestConfigDialog::ChangePinWindow, IDC_CHANGE_PIN_NOTE, kChangeEdits, {L"1234", L"5678", L"5678"});
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ((std::vector<std::wstring>{PinNote(3), PinNote(2)}), notes);
    EXPECT_EQ(std::vector<std::wstring>{ResString(IDS_PIN_WRONG)}, messages);
    EXPECT_EQ(ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_OFF, IDC_PIN_CHANGE}), finalView);
    EXPECT_TRUE(focusOnClose);
    EXPECT_EQ(L"5678", simmodem::GetText(L"Pin", L"1234"));
    EXPECT_TRUE(dialog.CodesWiped()) << "the old and the new PIN1 must not stay in memory";
}

TEST_F(ConfigPinTest, UnblockAsksAgainAfterAWrongUnblockCode)
{
    LoadModem();
    simmodem::SetValue(L"PinLeft", 0);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_UNBLOCK); });
    Enter(script, &CTestConfigDialog::UnlockPukWindow, IDC_UNLOCK_PUK_NOTE, kUnlockEdits,
          {L"87654321", L"4321", L"4321"});
    Acknowledge(script);
    Enter(script, &CTestConfigDialog::UnlockPukWindow, IDC_UNLOCK_PUK_NOTE, kUnlockEdits,
          {L"12345678", L"4321", L"4321"});
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ((std::vector<std::wstring>{PukNote(10), PukNote(9)}), notes);
    EXPECT_EQ(std::vector<std::wstring>{ResString(IDS_PUK_WRONG)}, messages);
    EXPECT_EQ(ExpectedPin(IDS_CARD_USABLE, {IDC_PIN_PROTECT_OFF, IDC_PIN_CHANGE}), finalView);
    EXPECT_TRUE(focusOnClose);
    EXPECT_EQ(L"4321", simmodem::GetText(L"Pin", L"1234"));
    EXPECT_TRUE(dialog.CodesWiped()) << "the unblock code and the new PIN1 must not stay in memory";
}

TEST_F(ConfigPinTest, WastingTheLastUnblockAttemptShowsTheCardLockedForGood)
{
    LoadModem();
    simmodem::SetValue(L"PinLeft", 0);
    simmodem::SetValue(L"PukLeft", 1);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] { Click(dialog.m_hWnd, IDC_PIN_UNBLOCK); });
    Enter(script, &CTestConfigDialog::UnlockPukWindow, IDC_UNLOCK_PUK_NOTE, kUnlockEdits,
          {L"87654321", L"4321", L"4321"});
    Acknowledge(script);
    Finish(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(std::vector<std::wstring>{PukNote(1)}, notes);
    EXPECT_EQ(std::vector<std::wstring>{ResString(IDS_CARD_LOCKED_NOW)}, messages);
    EXPECT_EQ(ExpectedPin(IDS_CARD_LOCKED, {}), finalView);
    EXPECT_TRUE(focusOnClose);
    EXPECT_TRUE(nothingOver) << "a locked card is a state, not an error";
}

// An unblock failure that is not the card's refusal of a code ends the
// dialog with the unblock request's own code and detail, not the attempts query's.
TEST_F(ConfigPinTest, AnUnblockFailureNamesTheUnblockRequest)
{
    LoadModem();
    simmodem::SetValue(L"PinLeft", 0);
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] {
        simmodem::SetValue(L"Fail.UIMUnblockPIN", 7);
        Click(dialog.m_hWnd, IDC_PIN_UNBLOCK);
    });
    Enter(script, &CTestConfigDialog::UnlockPukWindow, IDC_UNLOCK_PUK_NOTE, kUnlockEdits,
          {L"12345678", L"4321", L"4321"});
    Acknowledge(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(std::vector<std::wstring>{Format(ResString(IDS_ERROR_CODE).c_str(), 22, 5)}, messages);
}

TEST_F(ConfigPinTest, AFailedOperationEndsTheDialogAfterTheError)
{
    LoadModem();
    CDialogScript script;
    script.WaitFor(Refreshed()).Then([&] {
        simmodem::SetValue(L"Fail.UIMVerifyPIN", 7);
        Click(dialog.m_hWnd, IDC_PIN_VERIFY);
    });
    EnterPin(script, L"1234");
    Acknowledge(script);

    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(std::vector<std::wstring>{Format(ResString(IDS_ERROR_CODE).c_str(), 22, 3)}, messages);
}

} // namespace
} // namespace configtest
