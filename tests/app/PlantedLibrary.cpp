// A library someone left in the current directory under another library's
// name. It exports nothing the program looks for.
#include <windows.h>

extern "C" __declspec(dllexport) int PlantedMarker()
{
    return 1;
}
