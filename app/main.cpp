// The program entry: no command line, one application object for the run.
#include "app/Brindle.h"
#include "common/win/ModuleHandle.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RemoveCurrentDirectoryFromDllSearch();
    int exitCode = 1;
    {
        CBrindle application(instance);
        exitCode = application.Run();
    }
    return exitCode;
}
