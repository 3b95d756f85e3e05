#include "tests/e2e/EndToEndFixture.h"

#include <iostream>

#include "sim/gobiapi/SimModemControl.h"
#include "sim/wmi/SimWmiControl.h"
#include "tests/e2e/MessagePump.h"
#include "tests/e2e/ScreenCapture.h"
#ifdef BRINDLE_E2E_HAVE_DRIVER_CONTROL
#include "SimDriverControl.h"
#endif

namespace e2e {
namespace {

std::wstring FileNameOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

#ifdef BRINDLE_E2E_PROGRAM_PATH
bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
#endif

const wchar_t* const kLeftoverNames[] = {L"brindle.exe", L"e2e_tray_app.exe"};

void ResetSimulatedPlatform()
{
    simmodem::Reset();
    simwmi::Reset();
#ifdef BRINDLE_E2E_HAVE_DRIVER_CONTROL
    simdriver::ClearAllFaults();
#endif
}

} // namespace

std::wstring WindowsPath(std::wstring path)
{
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::wstring DefaultProgram()
{
    wchar_t chosen[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"BRINDLE_E2E_PROGRAM", chosen, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        return chosen;
#ifdef BRINDLE_E2E_PROGRAM_PATH
    const std::wstring built = WindowsPath(BRINDLE_E2E_PROGRAM_PATH);
    if (FileExists(built))
        return built;
#endif
    return std::wstring();
}

std::wstring GobiApiFolder(const wchar_t* variant)
{
    return WindowsPath(std::wstring(BRINDLE_E2E_GOBIAPI_ROOT) + L"\\" + variant);
}

void KillLeftovers()
{
    for (const wchar_t* name : kLeftoverNames)
        KillProcesses(name);
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return out;
    out.resize(size);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

void EndToEndTest::SetUpTestSuite()
{
    KillLeftovers();
}

void EndToEndTest::SetUp()
{
    m_tray = std::make_unique<CFakeTray>();
    ASSERT_TRUE(m_tray->Create()) << "the fake tray is not the Shell_TrayWnd that shell32 finds first";
    m_home = std::make_unique<CTempFolder>(L"e2e-home");
    ASSERT_FALSE(m_home->Path().empty()) << "no temporary home folder";
    m_productKey = std::make_unique<CProductKey>();
    m_commonKey = std::make_unique<CCommonKey>();
    ResetSimulatedPlatform();
}

void EndToEndTest::TearDown()
{
    if (HasFailure()) {
        const std::wstring picture = Screenshot("failure");
        std::cerr << "screen at the failure: " << Narrow(picture) << "\n";
        if (m_home) {
            m_home->Keep();
            std::cerr << "home folder kept: " << Narrow(m_home->Path()) << "\n";
        }
    }
    // Programs first: they may still call into the tray and the registry.
    m_processes.clear();
    KillLeftovers();
    ResetSimulatedPlatform();
    m_programDefaults.clear();
    m_productOptions.reset();
    m_commonKey.reset();
    m_productKey.reset();
    m_home.reset();
    m_tray.reset();
    PumpMessages();
}

LaunchOptions EndToEndTest::OptionsFor(const std::wstring& program) const
{
    LaunchOptions options;
    options.program = program;
    options.homeFolder = m_home ? m_home->Path() : std::wstring();
    options.dllFolders.push_back(GobiApiFolder());
    return options;
}

CTestProcess* EndToEndTest::Start(const LaunchOptions& options)
{
    ProgramDefaults(FileNameOf(options.program)).SetUnmanagedWindows();
    auto process = std::make_unique<CTestProcess>();
    if (!process->Start(options)) {
        ADD_FAILURE() << "cannot start " << Narrow(options.program) << " (error " << GetLastError() << ")";
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

std::vector<std::string> EndToEndTest::LogLines() const
{
    return SplitLogText(ReadFileBytes(m_home->File(L"BRINDLELOG.txt")));
}

std::vector<LogLine> EndToEndTest::LogOf(DWORD processId) const
{
    std::vector<LogLine> lines;
    for (const std::string& text : LogLines()) {
        LogLine line;
        if (ParseLogLine(text, line) && (processId == 0 || line.processId == processId))
            lines.push_back(line);
    }
    return lines;
}

bool EndToEndTest::HasLogMessage(const std::string& message, DWORD processId) const
{
    for (const LogLine& line : LogOf(processId)) {
        if (line.message == message)
            return true;
    }
    return false;
}

bool EndToEndTest::WaitForLogMessage(const std::string& message, DWORD timeoutMs, DWORD processId)
{
    return WaitFor([&] { return HasLogMessage(message, processId); }, timeoutMs);
}

std::wstring EndToEndTest::Screenshot(const std::string& name, HWND window) const
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string full = info ? std::string(info->test_suite_name()) + "_" + info->name() + "_" + name : name;
    for (char& c : full) {
        if (c == '/')
            c = '-';
    }
    const std::wstring file(full.begin(), full.end());
    return window ? SaveWindowPng(window, file) : SaveScreenPng(file);
}

std::wstring EndToEndTest::CopyProgramWithLibrary(const std::wstring& program, const wchar_t* variant)
{
    const std::wstring folder = m_home->File(L"program");
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\" + FileNameOf(program);
    const std::wstring library = folder + L"\\GobiApi.dll";
    DeleteFileW(library.c_str());
    if (!CopyFileW(program.c_str(), copy.c_str(), FALSE))
        return std::wstring();
    if (std::wstring(variant) != L"none" &&
        !CopyFileW((GobiApiFolder(variant) + L"\\GobiApi.dll").c_str(), library.c_str(), FALSE))
        return std::wstring();
    return copy;
}

CProductOptions& EndToEndTest::ProductOptions()
{
    if (!m_productOptions)
        m_productOptions = std::make_unique<CProductOptions>();
    return *m_productOptions;
}

CProgramDefaults& EndToEndTest::ProgramDefaults(const std::wstring& exeName)
{
    for (const auto& defaults : m_programDefaults) {
        if (FileNameOf(defaults->Path()) == exeName)
            return *defaults;
    }
    m_programDefaults.push_back(std::make_unique<CProgramDefaults>(exeName));
    return *m_programDefaults.back();
}

} // namespace e2e
