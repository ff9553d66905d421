// error_box.cpp -- shows the program's fatal-error box for a failed display step, exactly as the
// program shows it; scripts/error-box.sh takes its picture for docs/error-box.png

#include "app/app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    AbortProgram(nullptr, "SetDisplayMode");
    return 0;
}
