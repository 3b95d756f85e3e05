#include "sim/wmi/WmiEntities.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace simwmi {
namespace {

using Kind = PropertyValue::Kind;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::string Describe(const PropertyValue& value)
{
    switch (value.kind) {
    case Kind::kAbsent:
        return "<absent>";
    case Kind::kNull:
        return "<null>";
    default:
        return "\"" + Narrow(value.text) + "\"";
    }
}

struct EntryCase {
    const wchar_t* entry;
    Kind serviceKind;
    const wchar_t* service;
    Kind captionKind;
    const wchar_t* caption;
};

class ParseEntityTest : public testing::TestWithParam<EntryCase> {};

TEST_P(ParseEntityTest, SplitsAtTheFirstBar)
{
    const EntryCase& c = GetParam();
    Entity entity = ParseEntity(c.entry);
    EXPECT_EQ(c.serviceKind, entity.service.kind) << Narrow(c.entry) << " service " << Describe(entity.service);
    EXPECT_EQ(c.service, entity.service.text) << Narrow(c.entry);
    EXPECT_EQ(c.captionKind, entity.caption.kind) << Narrow(c.entry) << " caption " << Describe(entity.caption);
    EXPECT_EQ(c.caption, entity.caption.text) << Narrow(c.entry);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseEntityTest,
    testing::Values(EntryCase{L"qcusbserps2k|Sierra Wireless DM Port (COM5)", Kind::kText, L"qcusbserps2k", Kind::kText,
                              L"Sierra Wireless DM Port (COM5)"},
                    EntryCase{L"|HID Keyboard Device", Kind::kAbsent, L"", Kind::kText, L"HID Keyboard Device"},
                    EntryCase{L"(null)|Button", Kind::kNull, L"", Kind::kText, L"Button"},
                    EntryCase{L"kbdhid|", Kind::kText, L"kbdhid", Kind::kAbsent, L""},
                    EntryCase{L"kbdhid|(null)", Kind::kText, L"kbdhid", Kind::kNull, L""},
                    EntryCase{L"Just a caption", Kind::kAbsent, L"", Kind::kText, L"Just a caption"},
                    EntryCase{L"svc|a|b", Kind::kText, L"svc", Kind::kText, L"a|b"},
                    EntryCase{L"|", Kind::kAbsent, L"", Kind::kAbsent, L""},
                    // Only the exact marker means NULL; anything else is a plain text.
                    EntryCase{L"(NULL)|x", Kind::kText, L"(NULL)", Kind::kText, L"x"}));

TEST(WmiEntitiesTest, DefaultListPutsUnrelatedDevicesBeforeTheModemPorts)
{
    std::vector<Entity> entities = DefaultEntities();
    ASSERT_EQ(5u, entities.size());
    std::size_t firstModem = entities.size();
    for (std::size_t i = 0; i < entities.size(); ++i)
        if (IsModemEntity(entities[i]) && firstModem == entities.size())
            firstModem = i;
    ASSERT_EQ(3u, firstModem) << "the client must meet unrelated entities first";
    // Each way of lacking the modem's service is there once.
    EXPECT_EQ(Kind::kText, entities[0].service.kind);
    EXPECT_EQ(Kind::kNull, entities[1].service.kind);
    EXPECT_EQ(Kind::kAbsent, entities[2].service.kind);
    EXPECT_EQ(L"Sierra Wireless DM Port (COM5)", entities[3].caption.text);
    EXPECT_EQ(L"Sierra Wireless NMEA Port (COM7)", entities[4].caption.text);
    EXPECT_TRUE(IsModemEntity(entities[4]));
}

TEST(WmiEntitiesTest, ScriptedListReplacesTheDefaultsEvenWhenEmpty)
{
    WmiScript script;
    script.entities = std::vector<std::wstring>{L"usbser|Sierra Wireless DM Port (COM9)"};
    std::vector<Entity> entities = EntitiesForQuery(script);
    ASSERT_EQ(1u, entities.size());
    EXPECT_EQ(L"usbser", entities[0].service.text);

    script.entities = std::vector<std::wstring>{};
    EXPECT_TRUE(EntitiesForQuery(script).empty());
}

class AppearAfterTest : public testing::TestWithParam<std::uint32_t> {};

TEST_P(AppearAfterTest, HidesOnlyTheModemFromTheFirstQueries)
{
    WmiScript script;
    script.appearAfter = 2;
    script.queriesBefore = GetParam();
    std::vector<Entity> entities = EntitiesForQuery(script);
    bool shown = script.queriesBefore >= 2;
    EXPECT_EQ(shown ? 5u : 3u, entities.size()) << "query number " << script.queriesBefore;
    for (const Entity& entity : entities)
        EXPECT_TRUE(shown || !IsModemEntity(entity)) << Narrow(entity.caption.text);
}

INSTANTIATE_TEST_SUITE_P(QueriesBefore, AppearAfterTest, testing::Values(0u, 1u, 2u, 3u));

TEST(WmiEntitiesTest, AppearAfterHidesModemEntriesOfAScriptedListByService)
{
    WmiScript script;
    script.appearAfter = 1;
    script.entities = std::vector<std::wstring>{L"qcusbserps2k|A", L"usbser|B", L"QCUSBSERPS2K|C"};
    std::vector<Entity> entities = EntitiesForQuery(script);
    ASSERT_EQ(2u, entities.size());
    EXPECT_EQ(L"B", entities[0].caption.text);
    // Service names are matched as the client matches them: exactly.
    EXPECT_EQ(L"C", entities[1].caption.text);
}

TEST(WmiEntitiesTest, FindsPropertiesByNameInAnyCaseButNotMissingOnes)
{
    Entity entity = ParseEntity(L"|Caption text");
    ASSERT_NE(nullptr, FindProperty(entity, L"CAPTION"));
    EXPECT_EQ(L"Caption text", FindProperty(entity, L"caption")->text);
    EXPECT_EQ(nullptr, FindProperty(entity, L"Service")) << "absent property";
    EXPECT_EQ(nullptr, FindProperty(entity, L"Name"));
    EXPECT_EQ(nullptr, FindProperty(entity, L"Captio"));
    Entity nullService = ParseEntity(L"(null)|x");
    ASSERT_NE(nullptr, FindProperty(nullService, L"Service"));
    EXPECT_EQ(Kind::kNull, FindProperty(nullService, L"Service")->kind);
}

struct NameCase {
    const wchar_t* text;
    bool served;
};

class ServedNamespaceTest : public testing::TestWithParam<NameCase> {};

TEST_P(ServedNamespaceTest, OnlyCimv2UnderRoot)
{
    EXPECT_EQ(GetParam().served, IsServedNamespace(GetParam().text)) << Narrow(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ServedNamespaceTest,
                         testing::Values(NameCase{L"ROOT\\CIMV2", true}, NameCase{L"root\\cimv2", true},
                                         NameCase{L"Root\\CimV2", true}, NameCase{L"ROOT\\DEFAULT", false},
                                         NameCase{L"ROOT\\CIMV2\\", false}, NameCase{L"CIMV2", false},
                                         NameCase{L"", false}));

class PnPEntityQueryTest : public testing::TestWithParam<NameCase> {};

TEST_P(PnPEntityQueryTest, MatchesTheQueryInAnyCaseAndSpacing)
{
    EXPECT_EQ(GetParam().served, IsPnPEntityQuery(GetParam().text)) << Narrow(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, PnPEntityQueryTest,
                         testing::Values(NameCase{L"SELECT * FROM Win32_PnPEntity", true},
                                         NameCase{L"select * from win32_pnpentity", true},
                                         NameCase{L"  SELECT\t*  FROM\r\nWin32_PnPEntity  ", true},
                                         NameCase{L"SELECT * FROM Win32_PnPEntit", false},
                                         NameCase{L"SELECT * FROM Win32_SerialPort", false},
                                         NameCase{L"SELECT Caption FROM Win32_PnPEntity", false},
                                         NameCase{L"SELECT *FROM Win32_PnPEntity", false}, NameCase{L"", false}));

TEST(WmiEntitiesTest, LanguageMustBeWql)
{
    EXPECT_TRUE(IsWql(L"WQL"));
    EXPECT_TRUE(IsWql(L"wql"));
    EXPECT_FALSE(IsWql(L"SQL"));
    EXPECT_FALSE(IsWql(L""));
}

} // namespace
} // namespace simwmi
