// png_writer.h -- PNG files written chunk by chunk with zlib, for the image tests and benchmark:
// any colour type and bit depth, optionally interlaced, each row stored without a filter
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pngfile {

enum ColourType : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

inline void PutBig32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

inline void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

inline int Channels(ColourType type)
{
    return type == Grey || type == Palette ? 1 : type == GreyAlpha ? 2 : type == Rgb ? 3 : 4;
}

// The picture: width x height samples of bitDepth bits, channels per pixel by type, packed as
// PNG packs a row (sub-byte depths big-end first, 16-bit samples big-endian), rows top first.
struct Picture {
    int width = 0, height = 0;
    ColourType type = Rgba;
    int bitDepth = 8;
    std::vector<std::vector<uint8_t>> pixelBytes;  // one entry per pixel: its packed bytes, or
                                                   // for depths below 8 one byte holding the value
    std::vector<uint8_t> palette;                  // PLTE: r, g, b per entry
    std::vector<uint8_t> transparency;             // tRNS as stored
    bool interlaced = false;
    int level = Z_DEFAULT_COMPRESSION;
};

// The rows of the pixels (x0 + i * dx, y) for the given columns, each with filter byte 0.
inline void AppendRow(const Picture& p, int y, int x0, int dx, std::vector<uint8_t>& raw)
{
    raw.push_back(0);
    if (p.bitDepth < 8) {
        int bits = 0;
        uint8_t byte = 0;
        for (int x = x0; x < p.width; x += dx) {
            byte = static_cast<uint8_t>(byte | p.pixelBytes[y * p.width + x][0] << (8 - p.bitDepth - bits));
            bits += p.bitDepth;
            if (bits == 8) {
                raw.push_back(byte);
                byte = 0;
                bits = 0;
            }
        }
        if (bits)
            raw.push_back(byte);
        return;
    }
    for (int x = x0; x < p.width; x += dx)
        raw.insert(raw.end(), p.pixelBytes[y * p.width + x].begin(), p.pixelBytes[y * p.width + x].end());
}

inline std::vector<uint8_t> Encode(const Picture& p)
{
    std::vector<uint8_t> raw;
    if (!p.interlaced) {
        for (int y = 0; y < p.height; ++y)
            AppendRow(p, y, 0, 1, raw);
    } else {
        // Adam7: seven passes of pixels on a grid, each row filtered on its own.
        const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, y0[7] = {0, 0, 4, 0, 2, 0, 1};
        const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
        for (int pass = 0; pass < 7; ++pass) {
            if (x0[pass] >= p.width)
                continue;
            for (int y = y0[pass]; y < p.height; y += dy[pass])
                AppendRow(p, y, x0[pass], dx[pass], raw);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), p.level);
    packed.resize(packedSize);

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, static_cast<uint32_t>(p.width));
    PutBig32(header, static_cast<uint32_t>(p.height));
    header.insert(header.end(), {static_cast<uint8_t>(p.bitDepth), p.type, 0, 0, p.interlaced ? uint8_t{1} : uint8_t{0}});
    Chunk(out, "IHDR", header);
    if (!p.palette.empty())
        Chunk(out, "PLTE", p.palette);
    if (!p.transparency.empty())
        Chunk(out, "tRNS", p.transparency);
    Chunk(out, "IDAT", packed);
    Chunk(out, "IEND", {});
    return out;
}

}  // namespace pngfile
