// The harness's portable pieces: the tray record layout, environment blocks,
// debug-log lines and PNG files.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/e2e/EnvironmentBlock.h"
#include "tests/e2e/LogLine.h"
#include "tests/support/PngWriter.h"
#include "tests/e2e/TrayIconRecord.h"

namespace e2e {
namespace {

void PutLe32(std::vector<std::uint8_t>& bytes, size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutUtf16(std::vector<std::uint8_t>& bytes, size_t at, const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[at + 2 * i] = static_cast<std::uint8_t>(text[i]);
        bytes[at + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

TEST(TrayIconRecordTest, ReadsEveryFieldAtItsOffset)
{
    std::vector<std::uint8_t> bytes(trayrecord::kSize + 64, 0xEE);
    std::fill(bytes.begin(), bytes.begin() + trayrecord::kSize, 0);
    PutLe32(bytes, trayrecord::kWindow, 0x0001004E);
    PutLe32(bytes, trayrecord::kId, 0x11223344);
    PutLe32(bytes, trayrecord::kFlags, 7);
    PutLe32(bytes, trayrecord::kCallbackMessage, 0x8001);
    PutUtf16(bytes, trayrecord::kTip, L"Brindle\nPIN ： 使用");
    PutLe32(bytes, trayrecord::kIconWidth, 32);
    PutLe32(bytes, trayrecord::kIconHeight, 16);
    PutLe32(bytes, trayrecord::kIconBitsPerPixel, 24);

    TrayIconRecord record;
    ASSERT_TRUE(ParseTrayIconRecord(1, bytes.data(), bytes.size(), record));
    EXPECT_EQ(1u, record.action);
    EXPECT_EQ(0x0001004Eu, record.window);
    EXPECT_EQ(0x11223344u, record.id);
    EXPECT_EQ(7u, record.flags);
    EXPECT_EQ(0x8001u, record.callbackMessage);
    EXPECT_EQ(L"Brindle\nPIN ： 使用", record.tip);
    EXPECT_EQ(32u, record.iconWidth);
    EXPECT_EQ(16u, record.iconHeight);
    EXPECT_EQ(24u, record.iconBitsPerPixel);
}

TEST(TrayIconRecordTest, TipWithoutTerminatorEndsAtItsField)
{
    std::vector<std::uint8_t> bytes(trayrecord::kSize, 0);
    // The state field right behind the tip must not leak into it.
    PutUtf16(bytes, trayrecord::kTip, std::wstring(trayrecord::kTipChars, L'x'));
    PutLe32(bytes, trayrecord::kState, 0x00410041);
    TrayIconRecord record;
    ASSERT_TRUE(ParseTrayIconRecord(0, bytes.data(), bytes.size(), record));
    EXPECT_EQ(std::wstring(trayrecord::kTipChars, L'x'), record.tip);
}

TEST(TrayIconRecordTest, ShortRecordIsRefused)
{
    std::vector<std::uint8_t> bytes(trayrecord::kSize - 1, 0);
    TrayIconRecord record;
    record.id = 99;
    EXPECT_FALSE(ParseTrayIconRecord(0, bytes.data(), bytes.size(), record));
    EXPECT_FALSE(ParseTrayIconRecord(0, nullptr, trayrecord::kSize, record));
    EXPECT_EQ(99u, record.id) << "a refused record must leave the output alone";
}

TEST(EnvironmentBlockTest, OverridesReplaceWithoutRegardToCaseAndSortTheBlock)
{
    const std::vector<std::wstring> base = {L"Path=C:\\windows", L"=C:=C:\\work", L"homedrive=D:", L"TEMP=C:\\temp",
                                            L"ALPHA=1"};
    const std::wstring block = BuildEnvironmentBlock(
        base, {{L"HOMEDRIVE", L"C:"}, {L"HOMEPATH", L"\\users\\t"}, {L"PATH", L"Z:\\dll;C:\\windows"}});

    ASSERT_GE(block.size(), 2u);
    EXPECT_EQ(L'\0', block[block.size() - 1]);
    EXPECT_EQ(L'\0', block[block.size() - 2]) << "the block must end in two NULs";
    const std::vector<std::wstring> entries = SplitEnvironmentBlock(block.c_str());
    const std::vector<std::wstring> expected = {
        L"=C:=C:\\work", L"ALPHA=1", L"HOMEDRIVE=C:", L"HOMEPATH=\\users\\t", L"PATH=Z:\\dll;C:\\windows",
        L"TEMP=C:\\temp"};
    EXPECT_EQ(expected, entries);
    EXPECT_EQ(L"Z:\\dll;C:\\windows", EnvironmentValue(entries, L"path"));
    bool found = true;
    EXPECT_EQ(L"", EnvironmentValue(entries, L"C:", &found));
    EXPECT_FALSE(found) << "a hidden drive entry is not a variable named C:";
}

TEST(EnvironmentBlockTest, LaterOverrideOfTheSameNameWins)
{
    const std::wstring block =
        BuildEnvironmentBlock({L"HOMEPATH=\\base"}, {{L"HOMEPATH", L"\\fixture"}, {L"homepath", L"\\test"}});
    const std::vector<std::wstring> expected = {L"homepath=\\test"};
    EXPECT_EQ(expected, SplitEnvironmentBlock(block.c_str()));
}

struct LogLineCase {
    const char* line;
    bool valid;
    std::uint32_t processId;
    const char* message;
};

class LogLineTest : public ::testing::TestWithParam<LogLineCase> {};

TEST_P(LogLineTest, ParsesStampProcessAndMessage)
{
    const LogLineCase& c = GetParam();
    LogLine line;
    ASSERT_EQ(c.valid, ParseLogLine(c.line, line)) << c.line;
    if (c.valid) {
        EXPECT_EQ(c.processId, line.processId) << c.line;
        EXPECT_EQ(c.message, line.message) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LogLineTest,
    ::testing::Values(LogLineCase{"2010/05/14 09:03:07.412 [PID:2144]Shell_NotifyIcon(NIM_ADD): FAIL ", true, 2144,
                                  "Shell_NotifyIcon(NIM_ADD): FAIL "},
                      LogLineCase{"2026/12/08 23:59:59.999 [PID:4294967295]AtCpin:FAIL (UIMVerifyPIN) (1012)", true,
                                  4294967295u, "AtCpin:FAIL (UIMVerifyPIN) (1012)"},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:7]", true, 7, ""},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:7]a]b", true, 7, "a]b"},
                      LogLineCase{"2026/12/08 00:00:00.00 [PID:7]short milliseconds", false, 0, ""},
                      LogLineCase{"2026-12-08 00:00:00.000 [PID:7]wrong separators", false, 0, ""},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:]no id", false, 0, ""},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:12x]not a number", false, 0, ""},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:4294967296]too big", false, 0, ""},
                      LogLineCase{"2026/12/08 00:00:00.000 [PID:12", false, 0, ""}, LogLineCase{"", false, 0, ""}));

TEST(LogLineSplitTest, CrLfAndLoneLfEndLinesAndAPartialLastLineIsKept)
{
    const std::vector<std::string> lines = SplitLogText("one\r\ntwo\n\r\nthree");
    const std::vector<std::string> expected = {"one", "two", "", "three"};
    EXPECT_EQ(expected, lines);
    EXPECT_TRUE(SplitLogText("").empty());
}

// Reads a PNG of this writer's kind back: chunk checksums, stored blocks,
// filter bytes. Returns the RGB rows, or nothing when anything is off.
std::vector<std::uint8_t> DecodeStoredPng(const std::vector<std::uint8_t>& png, std::uint32_t& width,
                                          std::uint32_t& height)
{
    auto be32 = [&](size_t at) {
        return static_cast<std::uint32_t>(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    };
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0)
        return {};
    std::vector<std::uint8_t> zlib;
    bool ended = false;
    for (size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = be32(at);
        if (at + 12 + length > png.size())
            return {};
        if (Crc32(png.data() + at + 4, length + 4) != be32(at + 8 + length))
            return {};
        const std::string type(png.begin() + at + 4, png.begin() + at + 8);
        if (type == "IHDR") {
            width = be32(at + 8);
            height = be32(at + 12);
            if (png[at + 16] != 8 || png[at + 17] != 2)
                return {};
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + length;
    }
    if (!ended || zlib.size() < 6 || ((zlib[0] << 8) | zlib[1]) % 31 != 0)
        return {};
    std::vector<std::uint8_t> raw;
    size_t at = 2;
    for (bool last = false; !last;) {
        if (at + 5 > zlib.size())
            return {};
        last = zlib[at] & 1;
        const unsigned n = zlib[at + 1] | zlib[at + 2] << 8;
        const unsigned complement = zlib[at + 3] | zlib[at + 4] << 8;
        if ((zlib[at] >> 1) != 0 || (n ^ 0xFFFF) != complement || at + 5 + n > zlib.size())
            return {};
        raw.insert(raw.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + n);
        at += 5 + n;
    }
    if (at + 4 != zlib.size() ||
        Adler32(raw.data(), raw.size()) !=
            (static_cast<std::uint32_t>(zlib[at]) << 24 | zlib[at + 1] << 16 | zlib[at + 2] << 8 | zlib[at + 3]))
        return {};
    std::vector<std::uint8_t> rgb;
    const size_t row = static_cast<size_t>(width) * 3 + 1;
    if (raw.size() != row * height)
        return {};
    for (std::uint32_t y = 0; y < height; ++y) {
        if (raw[y * row] != 0)
            return {};
        rgb.insert(rgb.end(), raw.begin() + y * row + 1, raw.begin() + (y + 1) * row);
    }
    return rgb;
}

TEST(PngWriterTest, ChecksumsMatchKnownAnswers)
{
    const std::uint8_t iend[] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(0xAE426082u, Crc32(iend, sizeof iend));
    const char* text = "Wikipedia";
    EXPECT_EQ(0x11E60398u, Adler32(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)));
}

TEST(PngWriterTest, PixelsSurviveARoundTripAcrossSeveralStoredBlocks)
{
    // 200 x 120 pixels: 72,120 bytes of rows, more than one stored block holds.
    const std::uint32_t width = 200, height = 120;
    std::vector<std::uint8_t> rgb(width * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 601);
    std::uint32_t readWidth = 0, readHeight = 0;
    EXPECT_EQ(rgb, DecodeStoredPng(EncodePng(width, height, rgb), readWidth, readHeight));
    EXPECT_EQ(width, readWidth);
    EXPECT_EQ(height, readHeight);
}

TEST(PngWriterTest, SizesThatDoNotMatchThePixelsGiveNoFile)
{
    EXPECT_TRUE(EncodePng(2, 2, std::vector<std::uint8_t>(11)).empty());
    EXPECT_TRUE(EncodePng(0, 0, {}).empty());
}

} // namespace
} // namespace e2e
