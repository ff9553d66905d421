// stb_image.cpp -- the PNG and BMP decoder and the PNG encoder from Debian's libstb-dev, compiled
// once for the engine: two formats only, from memory only, never through the C library's files
//
// The decoder refuses any side above 16384 pixels on its own; display/image.cpp checks tighter
// limits from the header before it decodes.

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
