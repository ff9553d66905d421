// trace.cpp -- the trace of refused calls: ENGINE_TRACE read once as the program starts, one line
// on stderr per refused call, repeats counted
//
// A failure site asks one bit of layerTraceFailures (trace.h) before anything is formatted, so a
// program that does not ask for the trace pays one predictable branch per refusal and nothing per
// successful call; the hooked calls' "+calls" lines ride on the fault hook's flag test
// (faults.h). The first few lines of one call with one reason are written, later ones counted;
// the count is written when it reaches 100, 1000, ... and as the program ends. Nothing here
// touches SDL.

#include "trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "ddraw.h"
#include "dinput.h"
#include "dsound.h"
#include "faults.h"
#include "testing.h"

unsigned layerTraceFailures = 0;
unsigned layerTraceCalls = 0;

namespace {

constexpr unsigned AllChannels = (1u << TraceChannelCount) - 1;
constexpr unsigned ShownRepeats = 3;  // lines written for one call and reason before counting

const char* const ChannelNames[TraceChannelCount] = {
    "user32", "gdi32", "ddraw", "dinput8", "dsound", "kernel32", "winmm",
};

struct CodeName {
    long code;
    const char* name;
};

#define TRACE_CODE(code) {static_cast<long>(code), #code}

// The libraries' own names come first: DirectDraw calls E_INVALIDARG DDERR_INVALIDPARAMS.
const CodeName DirectDrawCodes[] = {
    TRACE_CODE(DDERR_GENERIC), TRACE_CODE(DDERR_INVALIDPARAMS), TRACE_CODE(DDERR_OUTOFMEMORY),
    TRACE_CODE(DDERR_UNSUPPORTED), TRACE_CODE(DDERR_NOTINITIALIZED), TRACE_CODE(DDERR_EXCEPTION),
    TRACE_CODE(DDERR_INVALIDCAPS), TRACE_CODE(DDERR_INVALIDMODE), TRACE_CODE(DDERR_INVALIDOBJECT),
    TRACE_CODE(DDERR_INVALIDPIXELFORMAT), TRACE_CODE(DDERR_INVALIDRECT),
    TRACE_CODE(DDERR_LOCKEDSURFACES), TRACE_CODE(DDERR_NOCOOPERATIVELEVELSET),
    TRACE_CODE(DDERR_NOCOLORKEY), TRACE_CODE(DDERR_NOCOLORKEYHW), TRACE_CODE(DDERR_NOEXCLUSIVEMODE),
    TRACE_CODE(DDERR_NOTFOUND), TRACE_CODE(DDERR_OUTOFVIDEOMEMORY), TRACE_CODE(DDERR_SURFACEBUSY),
    TRACE_CODE(DDERR_CANTLOCKSURFACE), TRACE_CODE(DDERR_SURFACELOST),
    TRACE_CODE(DDERR_WASSTILLDRAWING), TRACE_CODE(DDERR_PRIMARYSURFACEALREADYEXISTS),
    TRACE_CODE(DDERR_NOCLIPPERATTACHED), TRACE_CODE(DDERR_HWNDALREADYSET),
    TRACE_CODE(DDERR_NOPALETTEATTACHED), TRACE_CODE(DDERR_BLTFASTCANTCLIP),
    TRACE_CODE(DDERR_NOBLTHW), TRACE_CODE(DDERR_EXCLUSIVEMODEALREADYSET),
    TRACE_CODE(DDERR_NOTFLIPPABLE), TRACE_CODE(DDERR_NOTLOCKED), TRACE_CODE(DDERR_CANTCREATEDC),
    TRACE_CODE(DDERR_NODC), TRACE_CODE(DDERR_WRONGMODE), TRACE_CODE(DDERR_IMPLICITLYCREATED),
    TRACE_CODE(DDERR_NOTPALETTIZED), TRACE_CODE(DDERR_UNSUPPORTEDMODE),
    TRACE_CODE(DDERR_INVALIDSURFACETYPE), TRACE_CODE(DDERR_DCALREADYCREATED),
};

const CodeName DirectSoundCodes[] = {
    TRACE_CODE(DSERR_ALLOCATED), TRACE_CODE(DSERR_CONTROLUNAVAIL), TRACE_CODE(DSERR_INVALIDPARAM),
    TRACE_CODE(DSERR_INVALIDCALL), TRACE_CODE(DSERR_GENERIC), TRACE_CODE(DSERR_PRIOLEVELNEEDED),
    TRACE_CODE(DSERR_OUTOFMEMORY), TRACE_CODE(DSERR_BADFORMAT), TRACE_CODE(DSERR_UNSUPPORTED),
    TRACE_CODE(DSERR_NODRIVER), TRACE_CODE(DSERR_ALREADYINITIALIZED),
    TRACE_CODE(DSERR_NOAGGREGATION), TRACE_CODE(DSERR_BUFFERLOST),
    TRACE_CODE(DSERR_OTHERAPPHASPRIO), TRACE_CODE(DSERR_UNINITIALIZED),
};

const CodeName DirectInputCodes[] = {
    TRACE_CODE(DIERR_OLDDIRECTINPUTVERSION), TRACE_CODE(DIERR_BETADIRECTINPUTVERSION),
    TRACE_CODE(DIERR_DEVICENOTREG), TRACE_CODE(DIERR_NOTFOUND), TRACE_CODE(DIERR_INVALIDPARAM),
    TRACE_CODE(DIERR_NOINTERFACE), TRACE_CODE(DIERR_GENERIC), TRACE_CODE(DIERR_OUTOFMEMORY),
    TRACE_CODE(DIERR_UNSUPPORTED), TRACE_CODE(DIERR_NOTINITIALIZED),
    TRACE_CODE(DIERR_NOAGGREGATION), TRACE_CODE(DIERR_OTHERAPPHASPRIO),
    TRACE_CODE(DIERR_INPUTLOST), TRACE_CODE(DIERR_ACQUIRED), TRACE_CODE(DIERR_NOTACQUIRED),
    TRACE_CODE(DIERR_UNPLUGGED),
};

// COM's codes and the last-error codes the layer sets.
const CodeName CommonCodes[] = {
    TRACE_CODE(E_FAIL), TRACE_CODE(E_NOTIMPL), TRACE_CODE(E_NOINTERFACE), TRACE_CODE(E_POINTER),
    TRACE_CODE(E_INVALIDARG), TRACE_CODE(E_OUTOFMEMORY), TRACE_CODE(E_ACCESSDENIED),
    TRACE_CODE(E_HANDLE), TRACE_CODE(CLASS_E_NOAGGREGATION),
    TRACE_CODE(ERROR_FILE_NOT_FOUND), TRACE_CODE(ERROR_PATH_NOT_FOUND),
    TRACE_CODE(ERROR_ACCESS_DENIED), TRACE_CODE(ERROR_INVALID_HANDLE),
    TRACE_CODE(ERROR_NOT_ENOUGH_MEMORY), TRACE_CODE(ERROR_NOT_SAME_DEVICE),
    TRACE_CODE(ERROR_SHARING_VIOLATION), TRACE_CODE(ERROR_HANDLE_DISK_FULL),
    TRACE_CODE(ERROR_FILE_EXISTS), TRACE_CODE(ERROR_INVALID_PARAMETER), TRACE_CODE(ERROR_DISK_FULL),
    TRACE_CODE(ERROR_NEGATIVE_SEEK), TRACE_CODE(ERROR_ALREADY_EXISTS),
    TRACE_CODE(ERROR_FILE_INVALID), TRACE_CODE(ERROR_CLASS_ALREADY_EXISTS),
    TRACE_CODE(ERROR_CANNOT_FIND_WND_CLASS), TRACE_CODE(ERROR_INVALID_WINDOW_HANDLE),
    {50, "ERROR_NOT_SUPPORTED"}, {1814, "ERROR_RESOURCE_NAME_NOT_FOUND"},
};

#undef TRACE_CODE

template <size_t Count>
const char* find_name(const CodeName (&table)[Count], long code)
{
    for (const CodeName& entry : table)
        if (entry.code == code)
            return entry.name;
    return nullptr;
}

// The code's name in the library's own words, or its number when the layer has no name for it.
std::string code_name(TraceChannel channel, long code)
{
    const char* name = nullptr;
    if (channel == TraceDdraw)
        name = find_name(DirectDrawCodes, code);
    else if (channel == TraceDsound)
        name = find_name(DirectSoundCodes, code);
    else if (channel == TraceDinput8)
        name = find_name(DirectInputCodes, code);
    if (!name)
        name = find_name(CommonCodes, code);
    if (name)
        return name;
    char number[24];
    snprintf(number, sizeof number, code < 0 ? "0x%08lX" : "error %lu",
             static_cast<unsigned long>(code) & 0xFFFFFFFFul);
    return number;
}

struct Repeats {
    TraceChannel channel;
    std::string line;       // the call and its reason, as first written
    unsigned long seen = 0;
    unsigned long untold = 0;  // repeats not yet written in a count line
};

std::mutex& trace_lock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

// Kept until the process ends: the count lines are written from atexit.
std::map<std::string, Repeats>& repeats()
{
    static auto* table = new std::map<std::string, Repeats>;
    return *table;
}

void write_count(Repeats& entry)
{
    fprintf(stderr, "[%s] %s: %lu more like this not shown\n", ChannelNames[entry.channel],
            entry.line.c_str(), entry.untold);
    entry.untold = 0;
}

void write_counts_locked()
{
    for (auto& [key, entry] : repeats())
        if (entry.untold > 0)
            write_count(entry);
    repeats().clear();
}

void write_counts_at_exit()
{
    std::lock_guard<std::mutex> hold(trace_lock());
    write_counts_locked();
}

bool is_power_of_ten(unsigned long value)
{
    while (value >= 10 && value % 10 == 0)
        value /= 10;
    return value == 1;
}

// Reads ENGINE_TRACE before main() runs.
const bool environmentRead = [] {
    layer_trace_configure(getenv("ENGINE_TRACE"));
    return true;
}();

}  // namespace

void layer_trace_configure(const char* setting)
{
    {
        std::lock_guard<std::mutex> hold(trace_lock());
        write_counts_locked();
    }
    unsigned failures = 0;
    unsigned calls = 0;
    const std::string text = setting ? setting : "";
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        start = end + 1;
        bool withCalls = false;
        const size_t plus = name.find('+');
        if (plus != std::string::npos) {
            withCalls = name.substr(plus + 1) == "calls";
            if (!withCalls) {
                fprintf(stderr, "ENGINE_TRACE: \"%s\": the only option is +calls\n", name.c_str());
                continue;
            }
            name.resize(plus);
        }
        unsigned bits = 0;
        if (name == "all")
            bits = AllChannels;
        for (unsigned c = 0; c < TraceChannelCount; ++c)
            if (name == ChannelNames[c])
                bits = 1u << c;
        if (bits == 0 && !name.empty())
            fprintf(stderr, "ENGINE_TRACE: no channel \"%s\"; the channels are user32, gdi32, "
                            "ddraw, dinput8, dsound, kernel32, winmm and all\n", name.c_str());
        failures |= bits;
        if (withCalls)
            calls |= bits;
    }
    static bool exitHandler = false;
    if (failures && !exitHandler)
        exitHandler = atexit(write_counts_at_exit) == 0;
    layerTraceFailures = failures;
    layerTraceCalls = calls;
    layerCallsWatched = layerFaultsArmed || calls != 0;
}

void layer_trace_write(TraceChannel channel, const char* call, long code, const char* arguments,
                       const char* detail, ...)
{
    // The two formats share one list of values: they are formatted as one text and cut apart.
    std::string format = arguments ? arguments : "";
    format += '\x1f';
    format += detail ? detail : "";
    char text[512];
    va_list values;
    va_start(values, detail);
    vsnprintf(text, sizeof text, format.c_str(), values);
    va_end(values);
    const char* cut = strchr(text, '\x1f');
    const std::string argumentText = cut ? std::string(text, static_cast<size_t>(cut - text)) : std::string(text);
    const std::string detailText = cut ? std::string(cut + 1) : std::string();

    std::string line = call;
    if (arguments)
        line += "(" + argumentText + ")";
    if (code != 0)
        line += ": " + code_name(channel, code);
    if (detail)
        line += (code != 0 ? " (" : ": ") + detailText + (code != 0 ? ")" : "");

    std::string key = call;
    key += '\x1f' + std::to_string(code) + '\x1f' + (detail ? detail : "");
    std::lock_guard<std::mutex> hold(trace_lock());
    Repeats& entry = repeats()[key];
    if (entry.seen++ == 0) {
        entry.channel = channel;
        entry.line = call;
        if (code != 0)
            entry.line += ": " + code_name(channel, code);
    }
    if (entry.seen <= ShownRepeats) {
        fprintf(stderr, "[%s] %s\n", ChannelNames[channel], line.c_str());
        return;
    }
    ++entry.untold;
    if (is_power_of_ten(entry.seen - ShownRepeats) && entry.seen - ShownRepeats >= 100)
        write_count(entry);
}

void layer_trace_call(TraceChannel channel, const char* call)
{
    fprintf(stderr, "[%s] call %s\n", ChannelNames[channel], call);
}

void layer_set_trace(const char* setting) { layer_trace_configure(setting); }
