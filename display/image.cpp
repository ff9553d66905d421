// image.cpp -- PNG and BMP images of every common layout decoded into surfaces of the display's
// format, image surfaces restored, registered and released, and surfaces saved as PNG
//
// Decoding and encoding are stb_image's and stb_image_write's (display/stb_image.cpp), always from
// and to memory: files are read and written here through the platform's file calls. A picture is
// converted once, at load, to the display's pixels; the classic BMP loader in bitmap.cpp is left
// as it is.

#include <cstring>
#include <new>

#define STBI_NO_STDIO
#include <stb_image.h>
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "../app/app.h"
#include "display.h"

namespace {

constexpr char MemoryImageName[] = "image in memory";  // named in reasons when no name is given
constexpr char PartSuffix[] = ".part";  // a PNG being written, beside its final name
constexpr uint8_t AlphaHalf = 128;  // alpha below this is a hole

// A buffer of bytes owned by its holder, allocated without exceptions.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer() { delete[] data_; }
    // Makes room for size bytes, keeping the first min(size, old size); false when there is none.
    bool Resize(size_t size)
    {
        if (size <= capacity_) {
            size_ = size;
            return true;
        }
        size_t capacity = capacity_ < 4096 ? 4096 : capacity_;
        while (capacity < size)
            capacity *= 2;
        uint8_t* data = new (std::nothrow) uint8_t[capacity];
        if (!data)
            return false;
        if (size_)
            memcpy(data, data_, size_);
        delete[] data_;
        data_ = data;
        capacity_ = capacity;
        size_ = size;
        return true;
    }
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

// Frees what stb_image hands out when it goes out of scope.
struct DecodedPixels {
    stbi_uc* rgba = nullptr;
    ~DecodedPixels() { stbi_image_free(rgba); }
};

// The display's pixel format as a surface's lock describes it.
struct NativeFormat {
    int bytesPerPixel = 0;
    DWORD redMask = 0, greenMask = 0, blueMask = 0;
};

int LowestBit(DWORD mask)
{
    int shift = 0;
    while (shift < 32 && !(mask >> shift & 1))
        ++shift;
    return shift;
}

int BitCount(DWORD mask)
{
    int count = 0;
    for (; mask; mask &= mask - 1)
        ++count;
    return count;
}

// One 8-bit channel into its field of the mask, truncated as GDI converts colours.
NativePixel PackChannel(uint8_t value, DWORD mask)
{
    const int bits = BitCount(mask);
    if (bits == 0)
        return 0;
    const uint32_t field = bits >= 8 ? static_cast<uint32_t>(value) << (bits - 8) : value >> (8 - bits);
    return (field << LowestBit(mask)) & mask;
}

// The field of the mask widened back to 8 bits, its top bits repeated below (31 -> 255).
uint8_t UnpackChannel(NativePixel pixel, DWORD mask)
{
    const int bits = BitCount(mask);
    if (bits == 0)
        return 0;
    const uint32_t field = (pixel & mask) >> LowestBit(mask);
    if (bits >= 8)
        return static_cast<uint8_t>(field >> (bits - 8));
    uint32_t wide = 0;
    for (int filled = 0; filled < 8; filled += bits)
        wide = wide << bits | field;
    const int totalBits = (8 + bits - 1) / bits * bits;
    return static_cast<uint8_t>(wide >> (totalBits - 8));
}

// Precomputed per-channel parts of the 16- and 32-bit conversion, so a pixel costs three table
// reads and two ors.
struct ChannelTables {
    NativePixel red[256], green[256], blue[256];
    NativePixel keyNudge;  // the lowest green bit: flips the transparent colour to its neighbour
};

void BuildChannelTables(const NativeFormat& format, ChannelTables& tables)
{
    for (int i = 0; i < 256; ++i) {
        tables.red[i] = PackChannel(static_cast<uint8_t>(i), format.redMask);
        tables.green[i] = PackChannel(static_cast<uint8_t>(i), format.greenMask);
        tables.blue[i] = PackChannel(static_cast<uint8_t>(i), format.blueMask);
    }
    tables.keyNudge = format.greenMask & ~(format.greenMask - 1);
}

// --- The 8-bit palette lookup -------------------------------------------------------------------

// Colours quantised to 5-6-5 bits index a table of palette entries, built once for each palette
// and transparent index: the entry nearest to the centre of the colour's cell (plain distance in
// red, green and blue), never the transparent index. A colour equal to a palette entry gets that
// entry.
constexpr int LookupCells = 32 * 64 * 32;

struct PaletteLookup {
    PALETTEENTRY entries[256];
    NativePixel key = 0;
    bool built = false;
    uint8_t index[LookupCells];
};

PaletteLookup paletteLookup;

int LookupCell(int red, int green, int blue) { return (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3); }

// The lookup for the palette in PaletteEntries and the present transparent index.
const uint8_t* CurrentPaletteLookup()
{
    PaletteLookup& lookup = paletteLookup;
    if (lookup.built && lookup.key == TransparentColor &&
        memcmp(lookup.entries, PaletteEntries, sizeof PaletteEntries) == 0)
        return lookup.index;
    memcpy(lookup.entries, PaletteEntries, sizeof PaletteEntries);
    lookup.key = TransparentColor;
    int red[256], green[256], blue[256];
    for (int i = 0; i < 256; ++i) {
        red[i] = PaletteEntries[i].peRed;
        green[i] = PaletteEntries[i].peGreen;
        blue[i] = PaletteEntries[i].peBlue;
    }
    for (int r = 0; r < 32; ++r) {
        for (int g = 0; g < 64; ++g) {
            for (int b = 0; b < 32; ++b) {
                const int cr = r * 8 + 4, cg = g * 4 + 2, cb = b * 8 + 4;
                int best = TransparentColor == 0 ? 1 : 0;
                int bestDistance = 1 << 30;
                for (int i = 0; i < 256; ++i) {
                    if (static_cast<NativePixel>(i) == TransparentColor)
                        continue;
                    const int dr = red[i] - cr, dg = green[i] - cg, db = blue[i] - cb;
                    const int distance = dr * dr + dg * dg + db * db;
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = i;
                    }
                }
                lookup.index[r << 11 | g << 5 | b] = static_cast<uint8_t>(best);
            }
        }
    }
    // Entries sharing a cell: the lowest index keeps it.
    for (int i = 255; i >= 0; --i)
        if (static_cast<NativePixel>(i) != TransparentColor)
            lookup.index[LookupCell(red[i], green[i], blue[i])] = static_cast<uint8_t>(i);
    lookup.built = true;
    return lookup.index;
}

// --- Reading and checking ----------------------------------------------------------------------

bool IsPng(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && memcmp(data, signature, 8) == 0;
}

// A BMP is taken only with room for the file header and the 12-byte header's fields.
bool IsBmp(const uint8_t* data, size_t size) { return size >= 26 && data[0] == 'B' && data[1] == 'M'; }

uint32_t ReadLittle32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint32_t ReadBig32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Walks a PNG's chunks up to its end chunk: each must lie whole in the file, and the first data
// chunk must not be empty (the decoder would copy into a buffer it has not made). Null when the
// chunks are sound, else what is wrong.
const char* PngChunkFault(const uint8_t* data, size_t size)
{
    bool dataSeen = false;
    for (size_t at = 8;;) {
        if (size - at < 12)
            return "a chunk runs past the end of the file";
        const uint32_t length = ReadBig32(data + at);
        if (length > size - at - 12)
            return "a chunk runs past the end of the file";
        const uint8_t* type = data + at + 4;
        if (memcmp(type, "IDAT", 4) == 0) {
            if (length == 0 && !dataSeen)
                return "an empty data chunk";
            dataSeen = true;
        }
        if (memcmp(type, "IEND", 4) == 0)
            return nullptr;
        at += 12 + static_cast<size_t>(length);
    }
}

// Reads the whole file into buffer; false, with the reason set, when it cannot.
bool ReadImageFile(const char* fileName, ByteBuffer& buffer)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetEngineError("%s: cannot be opened (error %lu)", fileName, static_cast<unsigned long>(GetLastError()));
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > MaxImageFileBytes) {
        CloseHandle(file);
        SetEngineError("%s: larger than the %lu bytes an image file may have", fileName,
                       static_cast<unsigned long>(MaxImageFileBytes));
        return false;
    }
    if (!buffer.Resize(size)) {
        CloseHandle(file);
        SetEngineError("%s: no memory for the file's %lu bytes", fileName, static_cast<unsigned long>(size));
        return false;
    }
    DWORD bytesRead = 0;
    const BOOL read = ReadFile(file, buffer.data(), size, &bytesRead, nullptr);
    CloseHandle(file);
    if (!read || bytesRead != size) {
        SetEngineError("%s: could not be read", fileName);
        return false;
    }
    return true;
}

// Decodes the image as 8-bit RGBA after checking its kind and its declared size against the
// limits; null, with the reason set, when it is refused. channels gets the file's own channels.
stbi_uc* DecodeImage(const uint8_t* data, size_t size, const char* name, int& width, int& height,
                     int& channels)
{
    if (!IsPng(data, size) && !IsBmp(data, size)) {
        SetEngineError("%s: not a PNG or BMP image", name);
        return nullptr;
    }
    // Compressions past 3 (bit fields) are JPEG and PNG inside a BMP, and the alpha bit fields
    // of Windows CE; run-length BMPs (1 and 2) are not taken either. The 12-byte header of the
    // oldest BMPs has no compression field.
    if (IsBmp(data, size) && size >= 34 && ReadLittle32(data + 14) != 12) {
        const uint32_t compression = ReadLittle32(data + 30);
        if (compression == 1 || compression == 2) {
            SetEngineError("%s: run-length compressed BMPs are not taken", name);
            return nullptr;
        }
        if (compression > 3) {
            SetEngineError("%s: BMP compression %lu is not taken", name, static_cast<unsigned long>(compression));
            return nullptr;
        }
    }
    if (IsPng(data, size)) {
        if (const char* fault = PngChunkFault(data, size)) {
            SetEngineError("%s: damaged or cut short (%s)", name, fault);
            return nullptr;
        }
    }
    if (size > static_cast<size_t>(0x7FFFFFFF)) {
        SetEngineError("%s: larger than the %lu bytes an image file may have", name,
                       static_cast<unsigned long>(MaxImageFileBytes));
        return nullptr;
    }
    const int length = static_cast<int>(size);
    if (!stbi_info_from_memory(data, length, &width, &height, &channels)) {
        SetEngineError("%s: damaged or cut short (%s)", name, stbi_failure_reason());
        return nullptr;
    }
    // A BMP whose rows run top-down declares a negative height; the decoder's header check
    // passes that on as it is.
    if (height < 0 && height > -MaxImageSide - 1)
        height = -height;
    if (width <= 0 || height <= 0 || width > MaxImageSide || height > MaxImageSide) {
        SetEngineError("%s: %d x %d pixels, over the limit of %d pixels a side", name, width, height,
                       MaxImageSide);
        return nullptr;
    }
    // The BMP decoder reads zeros past the end of the data, so the rows are checked to lie in
    // the file here. The bit count sits at 24 in a 12-byte header, at 28 in every later one.
    if (IsBmp(data, size)) {
        const uint32_t headerBytes = ReadLittle32(data + 14);
        const uint32_t offset = ReadLittle32(data + 10);
        const size_t bitsAt = headerBytes == 12 ? 24 : 28;
        const uint32_t bits = size < bitsAt + 2 ? 0 : data[bitsAt] | data[bitsAt + 1] << 8;
        const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        if (bits == 0 || offset > size || rowBytes * static_cast<uint64_t>(height) > size - offset) {
            SetEngineError("%s: damaged or cut short (its rows run past the end of the file)", name);
            return nullptr;
        }
    }
    // A PNG of 16 bits a channel is decoded at that depth before it is narrowed to 8.
    const uint64_t sampleBytes = stbi_is_16_bit_from_memory(data, length) ? 2 : 1;
    const uint64_t decodedBytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 * sampleBytes;
    if (decodedBytes > MaxImageDecodedBytes) {
        SetEngineError("%s: %d x %d pixels need %llu bytes decoded, over the limit of %llu", name, width,
                       height, static_cast<unsigned long long>(decodedBytes),
                       static_cast<unsigned long long>(MaxImageDecodedBytes));
        return nullptr;
    }
    int decodedWidth = 0, decodedHeight = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, length, &decodedWidth, &decodedHeight, &channels, 4);
    if (!rgba) {
        SetEngineError("%s: damaged or cut short (%s)", name, stbi_failure_reason());
        return nullptr;
    }
    if (decodedWidth != width || decodedHeight != height) {
        stbi_image_free(rgba);
        SetEngineError("%s: damaged (the header's size changed while decoding)", name);
        return nullptr;
    }
    return rgba;
}

// --- Conversion into a surface -----------------------------------------------------------------

// Writes the RGBA picture into the surface, which must be width x height or larger, in the
// display's format; false when the surface cannot be locked. alphaChannel tells whether the file
// carries alpha: without it, exact magenta is the transparent colour.
bool ConvertIntoSurface(const stbi_uc* rgba, int width, int height, bool alphaChannel,
                        IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return false;
    if (static_cast<int64_t>(desc.dwWidth) < width || static_cast<int64_t>(desc.dwHeight) < height) {
        surface->Unlock(nullptr);
        return false;
    }
    NativeFormat format;
    format.bytesPerPixel = BitsPerPixel / 8;
    format.redMask = desc.ddpfPixelFormat.dwRBitMask;
    format.greenMask = desc.ddpfPixelFormat.dwGBitMask;
    format.blueMask = desc.ddpfPixelFormat.dwBBitMask;
    if (BitsPerPixel == 16 && !(format.redMask && format.greenMask && format.blueMask)) {
        format.redMask = 0xF800;
        format.greenMask = 0x07E0;
        format.blueMask = 0x001F;
    } else if (BitsPerPixel == 32 && !(format.redMask && format.greenMask && format.blueMask)) {
        format.redMask = 0xFF0000;
        format.greenMask = 0x00FF00;
        format.blueMask = 0x0000FF;
    }
    const NativePixel key = TransparentColor;
    auto* memory = static_cast<uint8_t*>(desc.lpSurface);
    const size_t pitch = static_cast<size_t>(desc.lPitch);

    // Both rules in one: a hole where alpha is below one half, and, in a file without alpha,
    // where the colour is exact magenta.
    auto isHole = [alphaChannel](const stbi_uc* p) {
        return p[3] < AlphaHalf || (!alphaChannel && p[0] == 255 && p[1] == 0 && p[2] == 255);
    };
    if (BitsPerPixel == 8) {
        const uint8_t* lookup = CurrentPaletteLookup();
        for (int y = 0; y < height; ++y) {
            const stbi_uc* p = rgba + static_cast<size_t>(y) * width * 4;
            uint8_t* row = memory + y * pitch;
            for (int x = 0; x < width; ++x, p += 4)
                row[x] = isHole(p) ? static_cast<uint8_t>(key) : lookup[LookupCell(p[0], p[1], p[2])];
        }
    } else {
        ChannelTables tables;
        BuildChannelTables(format, tables);
        // An opaque pixel that converts to the transparent colour moves to the next green
        // step, the nearest colour that is not it.
        auto convert = [&](const stbi_uc* p) -> NativePixel {
            if (isHole(p))
                return key;
            const NativePixel pixel = tables.red[p[0]] | tables.green[p[1]] | tables.blue[p[2]];
            return pixel == key ? pixel ^ tables.keyNudge : pixel;
        };
        for (int y = 0; y < height; ++y) {
            const stbi_uc* p = rgba + static_cast<size_t>(y) * width * 4;
            uint8_t* row = memory + y * pitch;
            if (BitsPerPixel == 16) {
                auto* out = reinterpret_cast<uint16_t*>(row);
                for (int x = 0; x < width; ++x, p += 4)
                    out[x] = static_cast<uint16_t>(convert(p));
            } else {
                auto* out = reinterpret_cast<uint32_t*>(row);
                for (int x = 0; x < width; ++x, p += 4)
                    out[x] = convert(p);
            }
        }
    }
    surface->Unlock(nullptr);
    return true;
}

// Decodes the image and makes its surface; null, with the reason set, on any failure.
IDirectDrawSurface7* LoadImage(const uint8_t* data, size_t size, const char* name)
{
    if (BitsPerPixel != 8 && BitsPerPixel != 16 && BitsPerPixel != 32) {
        SetEngineError("%s: no display to convert the image for", name);
        return nullptr;
    }
    int width = 0, height = 0, channels = 0;
    DecodedPixels pixels;
    pixels.rgba = DecodeImage(data, size, name, width, height, channels);
    if (!pixels.rgba)
        return nullptr;
    IDirectDrawSurface7* surface = CreateOffscreenSurface(width, height);
    if (!surface) {
        SetEngineError("%s: no surface of %d x %d pixels could be made", name, width, height);
        return nullptr;
    }
    SetTransparentColorKey(surface);
    if (!ConvertIntoSurface(pixels.rgba, width, height, channels == 2 || channels == 4, surface)) {
        surface->Release();
        SetEngineError("%s: the new surface could not be locked", name);
        return nullptr;
    }
    return surface;
}

// Restores the surface if it was lost and draws the image into it again.
bool RestoreImage(IDirectDrawSurface7* surface, const uint8_t* data, size_t size, const char* name)
{
    if (!surface) {
        SetEngineError("%s: no surface to restore", name);
        return false;
    }
    if (surface->IsLost() != DD_OK && surface->Restore() != DD_OK) {
        SetEngineError("%s: the surface could not be restored yet", name);
        return false;
    }
    int width = 0, height = 0, channels = 0;
    DecodedPixels pixels;
    pixels.rgba = DecodeImage(data, size, name, width, height, channels);
    if (!pixels.rgba)
        return false;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->GetSurfaceDesc(&desc) != DD_OK || desc.dwWidth != static_cast<DWORD>(width) ||
        desc.dwHeight != static_cast<DWORD>(height)) {
        SetEngineError("%s: %d x %d pixels, not the size of the surface it is to restore", name, width, height);
        return false;
    }
    if (!ConvertIntoSurface(pixels.rgba, width, height, channels == 2 || channels == 4, surface)) {
        SetEngineError("%s: the surface could not be locked", name);
        return false;
    }
    return true;
}

// --- Writing PNG files ------------------------------------------------------------------------

// What the encoder writes, gathered in memory; failed stays set once any part found no room.
struct EncodedFile {
    ByteBuffer bytes;
    bool failed = false;
};

void AppendToFile(void* context, void* data, int size)
{
    auto* file = static_cast<EncodedFile*>(context);
    const size_t at = file->bytes.size();
    if (size < 0 || !file->bytes.Resize(at + static_cast<size_t>(size)))
        file->failed = true;
    else if (size > 0)
        memcpy(file->bytes.data() + at, data, static_cast<size_t>(size));
}

// Writes the bytes under fileName through a file of its own beside it, moved over the name once
// complete: a failed write leaves the previous file as it was. False, with the reason set, on
// failure.
bool WriteFileWhole(const char* fileName, const uint8_t* data, size_t size)
{
    const size_t nameLength = strlen(fileName);
    char* partName = new (std::nothrow) char[nameLength + sizeof(PartSuffix)];
    if (!partName) {
        SetEngineError("%s: no memory to write it", fileName);
        return false;
    }
    memcpy(partName, fileName, nameLength);
    memcpy(partName + nameLength, PartSuffix, sizeof(PartSuffix));
    HANDLE file = CreateFileA(partName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetEngineError("%s: cannot be created (error %lu)", partName, static_cast<unsigned long>(GetLastError()));
        delete[] partName;
        return false;
    }
    DWORD written = 0;
    bool ok = size <= 0xFFFFFFFFu && WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) &&
              written == size;
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    if (!ok)
        SetEngineError("%s: could not be written in full (error %lu)", fileName,
                       static_cast<unsigned long>(GetLastError()));
    if (ok && !MoveFileExA(partName, fileName, MOVEFILE_REPLACE_EXISTING)) {
        SetEngineError("%s: cannot be replaced (error %lu)", fileName, static_cast<unsigned long>(GetLastError()));
        ok = false;
    }
    if (!ok)
        DeleteFileA(partName);
    delete[] partName;
    return ok;
}

}  // namespace

IDirectDrawSurface7* LoadImageSurface(const char* fileName)
{
    if (!fileName) {
        SetEngineError("LoadImageSurface: no file name");
        return nullptr;
    }
    ByteBuffer file;
    if (!ReadImageFile(fileName, file))
        return nullptr;
    return LoadImage(file.data(), file.size(), fileName);
}

IDirectDrawSurface7* LoadImageSurfaceFromMemory(const void* data, size_t size, const char* name)
{
    if (!name)
        name = MemoryImageName;
    if (!data && size) {
        SetEngineError("%s: no data", name);
        return nullptr;
    }
    return LoadImage(static_cast<const uint8_t*>(data), data ? size : 0, name);
}

bool RestoreImageSurface(IDirectDrawSurface7* surface, const char* fileName)
{
    if (!fileName) {
        SetEngineError("RestoreImageSurface: no file name");
        return false;
    }
    ByteBuffer file;
    if (!ReadImageFile(fileName, file))
        return false;
    return RestoreImage(surface, file.data(), file.size(), fileName);
}

bool RestoreImageSurfaceFromMemory(IDirectDrawSurface7* surface, const void* data, size_t size,
                                   const char* name)
{
    if (!name)
        name = MemoryImageName;
    if (!data && size) {
        SetEngineError("%s: no data", name);
        return false;
    }
    return RestoreImage(surface, static_cast<const uint8_t*>(data), data ? size : 0, name);
}

int AddSurfaceToTable(IDirectDrawSurface7* surface)
{
    if (!surface)
        return -1;
    if (SurfaceCount < 0 || SurfaceCount >= SurfaceTableSize) {
        SetEngineError("SurfaceTable is full: it holds %d surfaces", SurfaceTableSize);
        return -1;
    }
    SurfaceTable[SurfaceCount] = surface;
    return SurfaceCount++;
}

void ReleaseImageSurface(IDirectDrawSurface7*& surface)
{
    if (!surface)
        return;
    // Taken out of the table first, so that the display's teardown does not release it again;
    // the entries after it move down one place.
    for (int i = 0; i < SurfaceCount && i < SurfaceTableSize; ++i) {
        if (SurfaceTable[i] != surface)
            continue;
        memmove(&SurfaceTable[i], &SurfaceTable[i + 1], sizeof SurfaceTable[0] * static_cast<size_t>(SurfaceCount - i - 1));
        SurfaceTable[--SurfaceCount] = nullptr;
        break;
    }
    surface->Release();
    surface = nullptr;
}

bool SaveSurfacePng(int x, int y, int width, int height, IDirectDrawSurface7* surface, const char* fileName)
{
    if (!fileName) {
        SetEngineError("SaveSurfacePng: no file name");
        return false;
    }
    // Everything that can fail on the surface's side is settled before the file is touched.
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    const int bytesPerPixel = BitsPerPixel == 8 ? 1 : BitsPerPixel == 16 ? 2 : BitsPerPixel == 32 ? 4 : 0;
    if (!surface || bytesPerPixel == 0 || surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) {
        SetEngineError("%s: the surface to save cannot be read", fileName);
        return false;
    }
    // The rectangle is cut to the surface as SaveSurfaceBitmap cuts it: a negative corner moves
    // to the edge without shortening the rectangle.
    const int64_t left = x < 0 ? 0 : x;
    const int64_t top = y < 0 ? 0 : y;
    int64_t cutWidth = width;
    int64_t cutHeight = height;
    if (left + cutWidth > static_cast<int64_t>(desc.dwWidth))
        cutWidth = static_cast<int64_t>(desc.dwWidth) - left;
    if (top + cutHeight > static_cast<int64_t>(desc.dwHeight))
        cutHeight = static_cast<int64_t>(desc.dwHeight) - top;
    ByteBuffer rgb;
    if (cutWidth <= 0 || cutHeight <= 0 || !rgb.Resize(static_cast<size_t>(cutWidth * cutHeight * 3))) {
        surface->Unlock(nullptr);
        SetEngineError("%s: nothing of the surface lies in the rectangle to save", fileName);
        return false;
    }
    DWORD redMask = desc.ddpfPixelFormat.dwRBitMask, greenMask = desc.ddpfPixelFormat.dwGBitMask,
          blueMask = desc.ddpfPixelFormat.dwBBitMask;
    if (!(redMask && greenMask && blueMask)) {
        redMask = BitsPerPixel == 16 ? 0xF800 : 0xFF0000;
        greenMask = BitsPerPixel == 16 ? 0x07E0 : 0x00FF00;
        blueMask = BitsPerPixel == 16 ? 0x001F : 0x0000FF;
    }
    const auto* memory = static_cast<const uint8_t*>(desc.lpSurface);
    uint8_t* out = rgb.data();
    for (int64_t r = top; r < top + cutHeight; ++r) {
        const uint8_t* row = memory + r * desc.lPitch + left * bytesPerPixel;
        for (int64_t i = 0; i < cutWidth; ++i, out += 3) {
            if (bytesPerPixel == 1) {
                // 8-bit surfaces are written as RGB through the palette.
                const PALETTEENTRY& entry = PaletteEntries[row[i]];
                out[0] = entry.peRed;
                out[1] = entry.peGreen;
                out[2] = entry.peBlue;
                continue;
            }
            NativePixel pixel;
            if (bytesPerPixel == 2) {
                uint16_t value;
                memcpy(&value, row + 2 * i, 2);
                pixel = value;
            } else {
                memcpy(&pixel, row + 4 * i, 4);
            }
            out[0] = UnpackChannel(pixel, redMask);
            out[1] = UnpackChannel(pixel, greenMask);
            out[2] = UnpackChannel(pixel, blueMask);
        }
    }
    surface->Unlock(nullptr);

    EncodedFile png;
    const int wrote = stbi_write_png_to_func(AppendToFile, &png, static_cast<int>(cutWidth),
                                             static_cast<int>(cutHeight), 3, rgb.data(),
                                             static_cast<int>(cutWidth * 3));
    if (!wrote || png.failed) {
        SetEngineError("%s: no memory to encode the PNG", fileName);
        return false;
    }
    return WriteFileWhole(fileName, png.bytes.data(), png.bytes.size());
}
