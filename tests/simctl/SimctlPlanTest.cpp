// The registry values behind simctl's scenarios, and the stand-in modem's
// answers they lead to: a scenario is right when the card it leaves behind
// reports the state it names, whatever the card was before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/gobiapi/SimCard.h"
#include "sim/simctl/SimctlPlan.h"

namespace simctl {
namespace {

std::string Describe(const Change& change)
{
    const char* store = change.store == Store::Modem ? "modem" : change.store == Store::ProductKey ? "key" : "wmi";
    switch (change.kind) {
    case ChangeKind::SetDword:
        return std::string(store) + " " + change.name + "=" + std::to_string(change.value);
    case ChangeKind::SetText:
        return std::string(store) + " " + change.name + "='" + change.text + "'";
    case ChangeKind::DeleteValue:
        return std::string(store) + " -" + change.name;
    case ChangeKind::SetEntities:
        return std::string(store) + " " + change.name + "[" + std::to_string(change.entries.size()) + "]";
    }
    return "?";
}

std::string DescribeAll(const std::vector<Change>& changes)
{
    std::string text;
    for (const Change& change : changes)
        text += (text.empty() ? "" : ", ") + Describe(change);
    return text;
}

// The card as the stand-in would load it after the modem values were
// written over `before` (a missing value falls back to the default card's).
simmodem::SimCard Applied(const simmodem::SimCard& before, const std::vector<Change>& changes)
{
    simmodem::SimCard card = before;
    const simmodem::SimCard fresh;
    for (const Change& change : changes) {
        if (change.store != Store::Modem)
            continue;
        const bool set = change.kind == ChangeKind::SetDword;
        const std::uint32_t v = change.value;
        if (change.name == "CardPresent")
            card.present = set ? v != 0 : fresh.present;
        else if (change.name == "PinProtection")
            card.protection = set ? v != 0 : fresh.protection;
        else if (change.name == "PinVerified")
            card.verified = set ? v != 0 : fresh.verified;
        else if (change.name == "PinLeft")
            card.pinLeft = set ? v : fresh.pinLeft;
        else if (change.name == "PukLeft")
            card.pukLeft = set ? v : fresh.pukLeft;
        else if (change.name == "StatusOverride")
            card.hasStatusOverride = set;
        else
            ADD_FAILURE() << "a card value the check does not know: " << change.name;
    }
    return card;
}

Command ScenarioCommand(Scenario scenario)
{
    Command command;
    command.verb = Verb::Scenario;
    command.scenario = scenario;
    return command;
}

// Cards a scenario may start from: each leaves its own trace.
std::vector<simmodem::SimCard> StartingCards()
{
    std::vector<simmodem::SimCard> cards(5);
    cards[1].present = false;
    cards[2].pinLeft = 0;
    cards[2].pukLeft = 0;
    cards[3].protection = false;
    cards[3].verified = true;
    cards[4].hasStatusOverride = true;
    cards[4].statusOverride = 9;
    return cards;
}

struct CardScenario {
    Scenario scenario;
    const char* name;
    bool present;
    std::uint32_t status;
};

class SimctlCardScenarioTest : public ::testing::TestWithParam<CardScenario> {};

TEST_P(SimctlCardScenarioTest, LeavesTheNamedStateWhateverCameBefore)
{
    const CardScenario& c = GetParam();
    const std::vector<Change> changes = ScenarioChanges(ScenarioCommand(c.scenario));
    for (const simmodem::SimCard& before : StartingCards()) {
        const simmodem::SimCard after = Applied(before, changes);
        EXPECT_EQ(c.present, after.present) << c.name << ": " << DescribeAll(changes);
        if (!c.present)
            continue;
        std::uint32_t status = 0;
        EXPECT_EQ(simmodem::kOk, simmodem::QueryPinStatus(after, status)) << c.name;
        EXPECT_EQ(c.status, status) << c.name << ": " << DescribeAll(changes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, SimctlCardScenarioTest,
    ::testing::Values(CardScenario{Scenario::PinNeeded, "pin-needed", true, simmodem::kStatusEnabledNotVerified},
                      CardScenario{Scenario::Ready, "ready", true, simmodem::kStatusEnabledVerified},
                      CardScenario{Scenario::Blocked, "blocked", true, simmodem::kStatusBlocked},
                      CardScenario{Scenario::PermBlocked, "perm-blocked", true, simmodem::kStatusPermanentlyBlocked},
                      CardScenario{Scenario::NoCard, "no-card", false, 0}));

TEST(SimctlPlanTest, TheOtherScenariosWriteTheirOneStore)
{
    Command slow = ScenarioCommand(Scenario::ModemSlow);
    slow.connectFailures = 7;
    EXPECT_EQ("key GPSOption=1", DescribeAll(ScenarioChanges(ScenarioCommand(Scenario::GpsPresent))));
    EXPECT_EQ("key GPSOption=0", DescribeAll(ScenarioChanges(ScenarioCommand(Scenario::GpsAbsent))));
    EXPECT_EQ("modem DeviceCount=0", DescribeAll(ScenarioChanges(ScenarioCommand(Scenario::ModemAbsent))));
    EXPECT_EQ("modem -DeviceCount, modem -ConnectFailures",
              DescribeAll(ScenarioChanges(ScenarioCommand(Scenario::ModemPresent))));
    EXPECT_EQ("modem -DeviceCount, modem ConnectFailures=7", DescribeAll(ScenarioChanges(slow)));

    Command notAScenario;
    notAScenario.verb = Verb::Send;
    EXPECT_TRUE(ScenarioChanges(notAScenario).empty());
}

// The count is written before the code: a call in between must not see a
// failure without its count, which the stand-in takes as failing for good.
TEST(SimctlPlanTest, FailWritesTheCountBeforeTheCodeAndOffRemovesBoth)
{
    Command fail;
    fail.verb = Verb::Fail;
    fail.exportName = "UIMGetPINStatus";
    fail.failCode = 8;
    fail.failCount = 2;
    EXPECT_EQ("modem FailCount.UIMGetPINStatus=2, modem Fail.UIMGetPINStatus=8", DescribeAll(FailChanges(fail)));
    fail.failOff = true;
    EXPECT_EQ("modem -Fail.UIMGetPINStatus, modem -FailCount.UIMGetPINStatus", DescribeAll(FailChanges(fail)));
    EXPECT_TRUE(FailChanges(ScenarioCommand(Scenario::Ready)).empty());
}

TEST(SimctlPlanTest, PortsScenarioListsTheModemsPortsAmongOtherDevices)
{
    Command ports = ScenarioCommand(Scenario::Ports);
    ports.dmPort = 12;
    ports.nmeaPort = 3;
    const std::vector<Change> changes = ScenarioChanges(ports);
    ASSERT_EQ(1u, changes.size());
    EXPECT_EQ(Store::Wmi, changes[0].store);
    EXPECT_EQ(ChangeKind::SetEntities, changes[0].kind);
    EXPECT_EQ("Entities", changes[0].name);
    EXPECT_GT(changes[0].entries.size(), 2u) << "the program must still have to pick the modem's ports";

    const ModemPorts found = FindModemPorts(changes[0].entries);
    EXPECT_EQ("COM12", found.dm);
    EXPECT_EQ("COM3", found.nmea);
    // The stand-in's own default names the same way.
    EXPECT_NE(std::string::npos, changes[0].entries.back().find("qcusbserps2k|Sierra Wireless NMEA Port (COM3)"));
}

TEST(SimctlPlanTest, FindModemPortsSkipsOtherServicesAndBadCaptions)
{
    const ModemPorts none =
        FindModemPorts({"usbser|Sierra Wireless DM Port (COM4)", "qcusbserps2k|Sierra Wireless DM Port (COM",
                        "qcusbserps2k|Sierra Wireless DM Port ()", "Sierra Wireless NMEA Port (COM8)"});
    EXPECT_EQ("", none.dm);
    EXPECT_EQ("", none.nmea);
    const ModemPorts first = FindModemPorts(
        {"qcusbserps2k|Sierra Wireless NMEA Port (COM8)", "qcusbserps2k|Sierra Wireless NMEA Port (COM9)"});
    EXPECT_EQ("", first.dm);
    EXPECT_EQ("COM8", first.nmea);
}

TEST(SimctlPlanTest, DefaultProductKeyHasTheGpsOptionAboutTextsAndTheLog)
{
    EXPECT_EQ("key GPSOption=1, key Version='Version 1.0.0', key Copyright='Copyright (C) Norvane', "
              "key BRINDLEReleaseDebugPrintEnable=1",
              DescribeAll(DefaultProductKey()));
}

TEST(SimctlPlanTest, DescribeCardNamesTheStateAndItsStatus)
{
    simmodem::SimCard card;
    EXPECT_EQ("PIN1 needs verification (status 1)", DescribeCard(card));
    card.pinLeft = 0;
    EXPECT_EQ("PIN1 blocked, the unblock code is needed (status 4)", DescribeCard(card));
    card.hasStatusOverride = true;
    card.statusOverride = 9;
    EXPECT_EQ("unknown status (status 9, overridden)", DescribeCard(card));
    card.present = false;
    EXPECT_EQ("no card in the modem", DescribeCard(card));
}

} // namespace
} // namespace simctl
