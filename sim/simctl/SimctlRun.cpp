#include "sim/simctl/SimctlRun.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SimDriverControl.h"
#include "sim/gobiapi/SimModemControl.h"
#include "sim/simctl/BrindleWindow.h"
#include "sim/simctl/DriverVersion.h"
#include "sim/simctl/SimctlPlan.h"
#include "sim/wmi/SimWmiControl.h"

namespace simctl {
namespace {

constexpr DWORD kDriverWaitMs = 20000;
// A Wine session starts the stand-in driver in the background: right after
// the start its interface may not be there yet.
constexpr DWORD kDriverStartMs = 10000;
// Brindle switches GPS off and deletes its icon on the way out.
constexpr DWORD kExitWaitMs = 30000;

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

bool Apply(const Change& change)
{
    const std::wstring name = Widen(change.name);
    switch (change.store) {
    case Store::Modem:
        // The control library reports nothing back; a read afterwards tells.
        if (change.kind == ChangeKind::SetDword) {
            simmodem::SetValue(name.c_str(), change.value);
            return simmodem::GetValue(name.c_str(), ~change.value) == change.value;
        }
        if (change.kind == ChangeKind::DeleteValue) {
            simmodem::ClearValue(name.c_str());
            return simmodem::GetValue(name.c_str(), 0) != simmodem::GetValue(name.c_str(), 1);
        }
        return false;
    case Store::ProductKey:
        if (change.kind == ChangeKind::SetDword)
            return simdriver::SetDword(name.c_str(), change.value);
        if (change.kind == ChangeKind::SetText)
            return simdriver::SetString(name.c_str(), Widen(change.text).c_str());
        if (change.kind == ChangeKind::DeleteValue)
            return simdriver::DeleteValue(name.c_str());
        return false;
    case Store::Wmi:
        if (change.kind == ChangeKind::SetEntities) {
            std::vector<std::wstring> entries;
            for (const std::string& entry : change.entries)
                entries.push_back(Widen(entry));
            simwmi::SetEntities(entries);
            return true;
        }
        return false;
    }
    return false;
}

bool ApplyAll(const std::vector<Change>& changes)
{
    bool ok = true;
    for (const Change& change : changes) {
        if (!Apply(change)) {
            std::fprintf(stderr, "simctl: could not write %s\n", change.name.c_str());
            ok = false;
        }
    }
    return ok;
}

bool EnsureDriverPresent()
{
    if (simdriver::WaitForInterface(kDriverStartMs))
        return true;
    std::printf("installing the stand-in misc driver...\n");
    if (simdriver::InstallDriver(kDriverWaitMs))
        return true;
    std::fprintf(stderr, "simctl: the stand-in misc driver did not come up\n");
    return false;
}

bool EnsureDriverVersion(const wchar_t* wanted)
{
    std::wstring version;
    if (ReadDriverVersion(version) && version == wanted)
        return true;
    if (simdriver::SetDriverVersion(wanted))
        return true;
    std::fprintf(stderr, "simctl: could not set the driver's version text\n");
    return false;
}

int RunDriver(const Command& command)
{
    bool ok = false;
    switch (command.driver) {
    case DriverState::Ok:
        simdriver::ClearAllFaults();
        ok = EnsureDriverPresent() && EnsureDriverVersion(kCurrentDriverVersion);
        break;
    case DriverState::Old:
        ok = EnsureDriverPresent() && EnsureDriverVersion(kOldDriverVersion);
        break;
    case DriverState::Present:
        ok = EnsureDriverPresent();
        break;
    case DriverState::Absent:
        ok = !simdriver::InterfacePresent() ||
             (simdriver::RemoveDriver() && simdriver::WaitForInterfaceGone(kDriverWaitMs));
        if (!ok)
            std::fprintf(stderr, "simctl: the stand-in misc driver could not be removed\n");
        break;
    case DriverState::Busy:
        ok = simdriver::SetFault(simdriver::fault::kBusyAlways, 1);
        break;
    case DriverState::Fault: {
        const std::wstring name = Widen(command.faultName);
        ok = command.faultOff ? simdriver::ClearFault(name.c_str())
                              : simdriver::SetFault(name.c_str(), command.faultValue);
        break;
    }
    }
    if (!ok)
        return kExitFailed;
    std::printf("driver: done\n");
    return kExitDone;
}

int RunReset()
{
    simmodem::Reset();
    simwmi::Reset();
    simdriver::ClearAllFaults();
    bool ok = EnsureDriverPresent() && EnsureDriverVersion(kCurrentDriverVersion);
    // What the program wrote last time (GPSStatus, DontShowConfirmDialog)
    // goes too: a fresh machine has neither.
    if (!simdriver::DeleteKey()) {
        std::fprintf(stderr, "simctl: could not empty the product key\n");
        ok = false;
    }
    ok = ApplyAll(DefaultProductKey()) && ok;
    if (!ok)
        return kExitFailed;
    std::printf("reset: SIM needs PIN1 (PIN1 1234, unblock code 12345678), modem answering, "
                "ports COM5/COM7, driver serving, GPSOption 1\n");
    return kExitDone;
}

int RunScenario(const Command& command)
{
    if (!ApplyAll(ScenarioChanges(command)))
        return kExitFailed;
    std::printf("scenario: done");
    if (command.scenario == Scenario::GpsPresent || command.scenario == Scenario::GpsAbsent ||
        command.scenario == Scenario::Ports)
        std::printf(" (Brindle reads this when it starts)");
    else
        std::printf(" ('simctl send device-refresh' makes a running Brindle look again)");
    std::printf("\n");
    return kExitDone;
}

int RunFail(const Command& command)
{
    if (!ApplyAll(FailChanges(command)))
        return kExitFailed;
    if (command.failOff)
        std::printf("fail: %s answers again\n", command.exportName.c_str());
    else
        std::printf("fail: %s answers %lu on its next %lu call(s)\n", command.exportName.c_str(),
                    static_cast<unsigned long>(command.failCode), static_cast<unsigned long>(command.failCount));
    return kExitDone;
}

int RunPowerCycle()
{
    simmodem::PowerCycle();
    if (simmodem::GetValue(L"PinVerified", 1) != 0) {
        std::fprintf(stderr, "simctl: could not write PinVerified\n");
        return kExitFailed;
    }
    std::printf("power-cycle: done (PIN1 must be verified again)\n");
    return kExitDone;
}

int RunSend(const Command& command)
{
    const HWND window = FindBrindleWindow();
    if (window == nullptr) {
        std::fprintf(stderr, "simctl: Brindle is not running in this prefix "
                             "(no window of class and title \"Brindle\")\n");
        return kExitFailed;
    }
    const CWindowOwner owner(window);
    if (!DeliverSignal(window, command.signal)) {
        std::fprintf(stderr, "simctl: could not post to Brindle's window (error %lu)\n", GetLastError());
        return kExitFailed;
    }
    if (command.signal != Signal::Exit) {
        std::printf("send: delivered\n");
        return kExitDone;
    }
    DWORD exitCode = 0;
    if (!owner.WaitForExit(kExitWaitMs, exitCode)) {
        std::fprintf(stderr, "simctl: Brindle (process %lu) has not ended after %lu s\n", owner.Id(),
                     kExitWaitMs / 1000);
        return kExitFailed;
    }
    std::printf("send: Brindle ended with exit code %lu\n", exitCode);
    return kExitDone;
}

} // namespace

int RunCommand(const Command& command)
{
    switch (command.verb) {
    case Verb::Help:
        std::printf("%s", UsageText());
        return kExitDone;
    case Verb::Show:
        return ShowPlatform();
    case Verb::Reset:
        return RunReset();
    case Verb::Scenario:
        return RunScenario(command);
    case Verb::Driver:
        return RunDriver(command);
    case Verb::Send:
        return RunSend(command);
    case Verb::Fail:
        return RunFail(command);
    case Verb::PowerCycle:
        return RunPowerCycle();
    }
    return kExitFailed;
}

} // namespace simctl
