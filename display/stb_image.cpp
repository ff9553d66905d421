// stb_image.cpp -- the PNG and BMP decoder and the PNG encoder from Debian's libstb-dev, compiled
// once for the engine: two formats only, from memory only, never through the C library's files
//
// The decoder refuses any side above 16384 pixels on its own; display/image.cpp checks tighter
// limits from the header before it decodes.

#include <cstdlib>

#include "display.h"

namespace {

// The largest block the decoder may ask for: the largest picture the loader takes, decoded, and
// room for the filter bytes of its rows. A compressed stream that inflates past what its header
// declared, or chunks that claim more bytes than any file holds, then fail as damaged instead
// of taking the machine's memory.
constexpr size_t LargestDecoderBlock = MaxImageDecodedBytes + (1u << 20);

void* DecoderMalloc(size_t size) { return size > LargestDecoderBlock ? nullptr : malloc(size); }
void* DecoderRealloc(void* block, size_t size) { return size > LargestDecoderBlock ? nullptr : realloc(block, size); }

}  // namespace

#define STBI_MALLOC(size) DecoderMalloc(size)
#define STBI_REALLOC(block, size) DecoderRealloc(block, size)
#define STBI_FREE(block) free(block)
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 16384
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
