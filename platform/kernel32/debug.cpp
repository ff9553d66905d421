// debug.cpp -- OutputDebugStringA: the text a program gives the debugger, written to standard error
//
// On the platform the text goes to an attached debugger, or nowhere when none listens; here the
// terminal that started the program is the debugger's stand-in. The text is Windows-1251, as all
// of the layer's 8-bit text, and is written as UTF-8 exactly as given (no line end is added, as
// the platform adds none). A null pointer writes nothing.

#include <cstdio>
#include <cstring>

#include "windows.h"
#include "kernel32/codepage.h"

void WINAPI OutputDebugStringA(LPCSTR outputString)
{
    if (!outputString)
        return;
    const std::string text = cp1251_to_utf8(outputString, strlen(outputString));
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
}
