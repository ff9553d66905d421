// stb_vorbis.cpp -- the Ogg Vorbis decoder from Debian's stb headers, compiled once for the engine:
// decoding from memory only, without its stdio, never with a table shared between threads
//
// The decoder fills its CRC table again each time a file is opened, while other streams may be
// looking for pages with it on other threads. Its call in the opening step is routed to a routine
// that fills the table once, under the language's thread-safe initialisation of a static; the
// table's own filling routine keeps its body but takes another name.

#define STB_VORBIS_NO_STDIO

// crc32_init(void) is the definition, crc32_init() the call: the pasted name tells them apart.
#define crc32_init(parameters) soundfile_crc32_##parameters
#define soundfile_crc32_void soundfile_crc32_fill(void)
#define soundfile_crc32_ soundfile_crc32_once()
static void soundfile_crc32_once();

#include <stb_vorbis.h>

static void soundfile_crc32_once()
{
    static const bool filled = (soundfile_crc32_fill(), true);
    (void)filled;
}
