// engine_error.cpp -- the reason the last game routine that may fail without ending the program
// gave, kept for the game to show and written to the debugger's output

#include <cstdarg>
#include <cstdio>

#include "app.h"

namespace {

char lastError[512] = "";  // Windows-1251, empty until a routine fails

}  // namespace

void SetEngineError(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(lastError, sizeof lastError, format, arguments);  // cuts a long reason, never overruns
    va_end(arguments);
    char line[sizeof lastError + 2];
    snprintf(line, sizeof line, "%s\n", lastError);
    OutputDebugStringA(line);
}

void ClearEngineError()
{
    lastError[0] = '\0';
}

const char* LastEngineError()
{
    return lastError;
}
