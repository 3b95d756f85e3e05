#include "ui/ScreenDpi.h"

#include "res/resource.h"

#include <windows.h>

namespace {

int ReadScreenDcDpi()
{
    HDC hdc = ::GetDC(nullptr);
    if (hdc == nullptr)
        return 0;
    int dpi = ::GetDeviceCaps(hdc, LOGPIXELSX);
    ::ReleaseDC(nullptr, hdc);
    return dpi;
}

ScreenDpiReader g_dpiReader = &ReadScreenDcDpi;

} // namespace

int ReadScreenDpi()
{
    return g_dpiReader();
}

ScreenDpiReader SetScreenDpiReader(ScreenDpiReader reader)
{
    ScreenDpiReader previous = g_dpiReader;
    g_dpiReader = reader != nullptr ? reader : &ReadScreenDcDpi;
    return previous;
}

int HeaderBitmapIdForDpi(int dpi)
{
    if (dpi >= 144)
        return IDB_HEADER_144DPI;
    if (dpi >= 120)
        return IDB_HEADER_120DPI;
    return IDB_HEADER;
}
