#include "common/DebugLog.h"
#include "tests/common/LogCapture.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

const char* const kPrefix = R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3} \[PID:)";

std::string LinePattern(const std::string& message)
{
    return kPrefix + std::to_string(GetCurrentProcessId()) + "\\]" + message;
}

} // namespace

TEST(DebugLogTest, SwitchedOffWritesNoFile)
{
    LogCapture log(false);
    DebugPrint(L"DisconnectModem:FAIL (QCWWANDisconnect)\n");
    EXPECT_FALSE(log.Exists()) << "nothing may reach the disk while the switch is off";
}

TEST(DebugLogTest, FirstMessageCreatesTheFileAndLaterOnesAppend)
{
    LogCapture log;
    DebugPrint(L"Shell_NotifyIcon(NIM_ADD): FAIL \n");
    ASSERT_TRUE(log.Exists());
    DebugPrint(L"AtCpin:FAIL (UIMVerifyPIN) (%u)\n", 1012u);

    std::string raw = log.Raw();
    // One byte per character and CR LF line ends: text mode, no locale.
    std::regex whole(LinePattern("Shell_NotifyIcon\\(NIM_ADD\\): FAIL \r\n") +
                     LinePattern("AtCpin:FAIL \\(UIMVerifyPIN\\) \\(1012\\)\r\n"));
    EXPECT_TRUE(std::regex_match(raw, whole)) << "file holds: [" << raw << "]";
}

TEST(DebugLogTest, AppendsToAFileThatIsAlreadyThere)
{
    LogCapture log;
    {
        std::ofstream old(log.FilePath().c_str(), std::ios::binary);
        old << "earlier run\r\n";
    }
    DebugPrint(L"ConnectModem:FAIL (QCWWANConnect_) %d\n", 6);
    std::string raw = log.Raw();
    EXPECT_EQ(0u, raw.find("earlier run\r\n")) << raw;
    EXPECT_TRUE(std::regex_search(raw, std::regex(LinePattern("ConnectModem:FAIL \\(QCWWANConnect_\\) 6\r\n$"))))
        << raw;
}

TEST(DebugLogTest, PercentSInAMessageTakesAWideString)
{
    LogCapture log;
    DebugPrint(L"%s:FAIL (%s)\n", L"SetGPSStatus", L"GetGPSModule");
    ASSERT_EQ(1u, log.Messages().size());
    EXPECT_EQ("SetGPSStatus:FAIL (GetGPSModule)", log.Messages()[0]);
}

TEST(DebugLogTest, ACharacterBeyondAsciiCannotCutTheLine)
{
    LogCapture log;
    DebugPrint(L"%s\n", L"PIN1\x30b3\x30fc\x30c9");
    DebugPrint(L"next\n");
    EXPECT_EQ((std::vector<std::string>{"PIN1???", "next"}), log.Messages()) << log.Raw();
}

TEST(DebugLogTest, MessageIsCutAt259CharactersAndStillWritten)
{
    LogCapture log;
    std::wstring longMessage(300, L'x');
    longMessage += L"\n";
    DebugPrint(L"%s", longMessage.c_str());

    std::string raw = log.Raw();
    EXPECT_TRUE(std::regex_match(raw, std::regex(LinePattern(std::string(259, 'x')))))
        << "expected 259 characters and no line end (the cut takes the \\n), got " << raw.size() << " bytes";
}

TEST(DebugLogTest, PathIsExpandedAnewOnEveryCall)
{
    LogCapture first;
    DebugPrint(L"one\n");
    LogCapture second;
    DebugPrint(L"two\n");

    ASSERT_EQ(1u, first.Messages().size());
    EXPECT_EQ("one", first.Messages()[0]);
    ASSERT_EQ(1u, second.Messages().size()) << "the second home folder must get the second line";
    EXPECT_EQ("two", second.Messages()[0]);
}

TEST(DebugLogTest, UnwritableHomeFolderDropsMessagesSilently)
{
    LogCapture log;
    std::wstring missing = log.Folder() + L"\\does-not-exist";
    LogCapture::PointAt(missing);
    DebugPrint(L"LoadQMI() : Loading GobiApi.dll failed.\n");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((missing + L"\\BRINDLELOG.txt").c_str()));

    LogCapture::PointAt(log.Folder());
    DebugPrint(L"still working\n");
    ASSERT_EQ(1u, log.Messages().size()) << "a dropped message must not disturb the next one";
    EXPECT_EQ("still working", log.Messages()[0]);
}
