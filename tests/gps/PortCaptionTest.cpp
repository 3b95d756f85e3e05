// Which port an entity's service and caption name, as a table.
#include "modem/PortCaption.h"

#include <gtest/gtest.h>

#include <string>

// Found by argument-dependent lookup: PortMatch lives in the global namespace.
static void PrintTo(PortMatch match, std::ostream* out)
{
    static const char* const kNames[] = {"kNone", "kDmPort", "kNmeaPort"};
    *out << kNames[static_cast<int>(match)];
}

namespace {

const PortPrefixes kDefaults = {L"qcusbserps2k", L"Sierra Wireless DM Port (COM", L"Sierra Wireless NMEA Port (COM"};
// The NMEA prefix is the start of the DM prefix: a DM caption begins with both.
const PortPrefixes kNested = {L"svc", L"Port (COM", L"Port (CO"};

struct CaptionCase {
    const char* name;
    const PortPrefixes* prefixes;
    const wchar_t* service;
    const wchar_t* caption;
    PortMatch match;
    std::int32_t dmPort;
    std::int32_t nmeaPort;
};

class PortCaptionTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(PortCaptionTest, ClassifiesTheEntity)
{
    const CaptionCase& c = GetParam();
    std::int32_t dm = -1;
    std::int32_t nmea = -1;
    EXPECT_EQ(c.match, ExaminePortEntity(*c.prefixes, c.service, c.caption, dm, nmea));
    EXPECT_EQ(c.dmPort, dm);
    EXPECT_EQ(c.nmeaPort, nmea);
}

INSTANTIATE_TEST_SUITE_P(
    Captions, PortCaptionTest,
    ::testing::Values(
        CaptionCase{"Dm", &kDefaults, L"qcusbserps2k", L"Sierra Wireless DM Port (COM5)", PortMatch::kDmPort, 5, -1},
        CaptionCase{"Nmea", &kDefaults, L"qcusbserps2k", L"Sierra Wireless NMEA Port (COM17)", PortMatch::kNmeaPort, -1,
                    17},
        CaptionCase{"DigitsOnlyUpToTheFirstOther", &kDefaults, L"qcusbserps2k", L"Sierra Wireless DM Port (COM12x3)",
                    PortMatch::kDmPort, 12, -1},
        CaptionCase{"LetterAfterPrefix", &kDefaults, L"qcusbserps2k", L"Sierra Wireless DM Port (COMX)",
                    PortMatch::kNone, -1, -1},
        CaptionCase{"NothingAfterPrefix", &kDefaults, L"qcusbserps2k", L"Sierra Wireless NMEA Port (COM",
                    PortMatch::kNone, -1, -1},
        CaptionCase{"PrefixNotAtTheStart", &kDefaults, L"qcusbserps2k", L"Old Sierra Wireless DM Port (COM5)",
                    PortMatch::kNone, -1, -1},
        CaptionCase{"PrefixCaseMatters", &kDefaults, L"qcusbserps2k", L"sierra wireless dm port (com5)",
                    PortMatch::kNone, -1, -1},
        CaptionCase{"OtherService", &kDefaults, L"usbser", L"Sierra Wireless DM Port (COM5)", PortMatch::kNone, -1, -1},
        CaptionCase{"EmptyService", &kDefaults, L"", L"Sierra Wireless DM Port (COM5)", PortMatch::kNone, -1, -1},
        CaptionCase{"EmptyCaption", &kDefaults, L"qcusbserps2k", L"", PortMatch::kNone, -1, -1},
        CaptionCase{"NumberTooLargeForAPort", &kDefaults, L"qcusbserps2k", L"Sierra Wireless DM Port (COM99999999999)",
                    PortMatch::kNone, -1, -1},
        CaptionCase{"NestedPrefixesDm", &kNested, L"svc", L"Port (COM4)", PortMatch::kDmPort, 4, -1},
        CaptionCase{"NestedPrefixesNmea", &kNested, L"svc", L"Port (CO7)", PortMatch::kNmeaPort, -1, 7}),
    [](const ::testing::TestParamInfo<CaptionCase>& info) { return info.param.name; });

} // namespace
