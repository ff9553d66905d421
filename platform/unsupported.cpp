// unsupported.cpp -- notes of what the layer leaves out

#include "unsupported.h"

#include <cstdio>
#include <set>
#include <string>

void note_unsupported(const char* call, const char* what)
{
    static std::set<std::string> noted;
    if (noted.insert(std::string(call) + '\n' + what).second)
        fprintf(stderr, "layer: %s: %s is not supported\n", call, what);
}
