// bitmap.cpp -- BMP files: images loaded into new off-screen surfaces, surfaces saved as images
//
// The loader relies on the fixed layout of an uncompressed BMP (a 14-byte file header, a
// 40-byte info header, a 256-entry colour table at 8 bits) and lets GDI convert the picture to
// the display's format. The writer stores a rectangle of any surface in that same layout.

#include <cstring>
#include <memory>
#include <new>

#include "display.h"

namespace {

constexpr DWORD FileHeaderBytes = 14;
constexpr DWORD InfoHeaderBytes = 40;
constexpr DWORD ColorTableBytes = 1024;
constexpr DWORD PixelsAfterTable = InfoHeaderBytes + ColorTableBytes;  // 1064 from the info header
constexpr char PartSuffix[] = ".part";  // a screenshot being written, beside its final name

int32_t ReadLong(const BYTE* p) { return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24); }
uint16_t ReadWord(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Writes little-endian fields into the file; remembers whether every write succeeded.
class FileWriter {
public:
    explicit FileWriter(HANDLE file) : file_(file) {}
    void Bytes(const void* data, DWORD count)
    {
        DWORD written = 0;
        if (!WriteFile(file_, data, count, &written, nullptr) || written != count)
            ok_ = false;
    }
    void Word(uint16_t value)
    {
        const BYTE bytes[2] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
        Bytes(bytes, 2);
    }
    void Long(uint32_t value)
    {
        const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                               static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
        Bytes(bytes, 4);
    }
    bool ok() const { return ok_; }

private:
    HANDLE file_;
    bool ok_ = true;
};

// True when the surface's 16-bit pixels are laid out 5-6-5, as nearly every display's are.
bool HasSixBitGreen(IDirectDrawSurface7* surface)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr)))
        return true;
    surface->Unlock(nullptr);
    return desc.ddpfPixelFormat.dwGBitMask == 0x07E0;
}

// A 16-bit file without colour masks is read as 5-5-5 by every reader, so 5-6-5 pixels are
// written with green cut to five bits; the file keeps its size and shows the screen's colours.
void ToFiveFiveFive(BYTE* row, int pixels)
{
    for (int i = 0; i < pixels; ++i) {
        const uint16_t p = static_cast<uint16_t>(row[2 * i] | row[2 * i + 1] << 8);
        const uint16_t q = static_cast<uint16_t>(((p >> 11) << 10) | (((p >> 6) & 31) << 5) | (p & 31));
        row[2 * i] = static_cast<BYTE>(q);
        row[2 * i + 1] = static_cast<BYTE>(q >> 8);
    }
}

// The part of a surface that a save copies, and the sizes of its rows in the file.
struct SaveArea {
    int64_t left = 0, top = 0, width = 0, height = 0;
    int bytesPerPixel = 0;
    DWORD rowBytes = 0, paddedRowBytes = 0;
};

// Cuts the asked rectangle to a surface of that pitch and row count at the display's depth;
// false when the depth is not one the writer knows or nothing of the rectangle is left.
bool CutToSurface(int x, int y, int width, int height, int32_t pitch, int32_t rows, SaveArea& area)
{
    area.bytesPerPixel = BitsPerPixel == 8 ? 1 : BitsPerPixel == 16 ? 2 : BitsPerPixel == 32 ? 4 : 0;
    if (area.bytesPerPixel == 0)
        return false;
    // A negative corner moves the rectangle to the edge; it is not shortened by it.
    area.left = x < 0 ? 0 : x;
    area.top = y < 0 ? 0 : y;
    area.width = width;
    area.height = height;
    const int64_t rowPixels = pitch / area.bytesPerPixel;
    if (area.left + area.width > rowPixels)
        area.width = rowPixels - area.left;
    if (area.top + area.height > rows)
        area.height = rows - area.top;
    if (area.width <= 0 || area.height <= 0)
        return false;
    area.rowBytes = static_cast<DWORD>(area.width * area.bytesPerPixel);
    area.paddedRowBytes = (area.rowBytes + 3) / 4 * 4;
    return true;
}

// The file's name with ".part" after it; null when there is no memory for it.
std::unique_ptr<char[]> PartName(const char* fileName)
{
    const size_t nameLength = strlen(fileName);
    std::unique_ptr<char[]> partName(new (std::nothrow) char[nameLength + sizeof(PartSuffix)]);
    if (partName) {
        memcpy(partName.get(), fileName, nameLength);
        memcpy(partName.get() + nameLength, PartSuffix, sizeof(PartSuffix));
    }
    return partName;
}

// Holds a surface's memory locked for as long as it lives; memory is null when the lock failed.
struct LockedSurface {
    explicit LockedSurface(IDirectDrawSurface7* surface)
        : surface(surface), memory(static_cast<BYTE*>(LockSurfaceMemory(surface))) {}
    ~LockedSurface()
    {
        if (memory)
            UnlockSurfaceMemory(surface);
    }
    LockedSurface(const LockedSurface&) = delete;
    LockedSurface& operator=(const LockedSurface&) = delete;
    IDirectDrawSurface7* surface;
    BYTE* memory;
};

// Writes the file header, the info header and, at 8 bits, the palette as the colour table.
void WriteBitmapHeaders(FileWriter& out, const SaveArea& area)
{
    const DWORD tableBytes = BitsPerPixel == 8 ? ColorTableBytes : 0;
    const DWORD pixelOffset = FileHeaderBytes + InfoHeaderBytes + tableBytes;
    const DWORD imageBytes = area.paddedRowBytes * static_cast<DWORD>(area.height);
    out.Bytes("BM", 2);
    out.Long(pixelOffset + imageBytes);
    out.Word(0);
    out.Word(0);
    out.Long(pixelOffset);
    out.Long(InfoHeaderBytes);
    out.Long(static_cast<uint32_t>(area.width));
    out.Long(static_cast<uint32_t>(area.height));
    out.Word(1);
    out.Word(BitsPerPixel);
    out.Long(BI_RGB);
    out.Long(imageBytes);
    out.Long(0);
    out.Long(0);
    out.Long(0);
    out.Long(0);
    if (BitsPerPixel == 8) {
        for (const PALETTEENTRY& entry : PaletteEntries) {
            const BYTE quad[4] = {entry.peBlue, entry.peGreen, entry.peRed, entry.peFlags};
            out.Bytes(quad, 4);
        }
    }
}

// Writes the area's rows from the locked memory through a zeroed buffer of paddedRowBytes:
// bottom-up, as the file keeps them, each padded with zeros to a multiple of four bytes.
void WriteBitmapRows(FileWriter& out, const BYTE* memory, int32_t pitch, const SaveArea& area,
                     bool widenedGreen, BYTE* row)
{
    for (int64_t r = area.top + area.height - 1; r >= area.top && out.ok(); --r) {
        memcpy(row, memory + r * pitch + area.left * area.bytesPerPixel, area.rowBytes);
        if (widenedGreen)
            ToFiveFiveFive(row, static_cast<int>(area.width));
        out.Bytes(row, area.paddedRowBytes);
    }
}

}  // namespace

IDirectDrawSurface7* LoadBitmapSurface(const char* fileName)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    // A file too short for its two headers has no picture to offer.
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size < FileHeaderBytes + InfoHeaderBytes) {
        CloseHandle(file);
        return nullptr;
    }
    const DWORD bufferBytes = size - FileHeaderBytes;
    BYTE* buffer = new (std::nothrow) BYTE[bufferBytes];
    if (!buffer) {
        CloseHandle(file);
        return nullptr;
    }
    memset(buffer, 0, bufferBytes);
    DWORD bytesRead = 0;
    SetFilePointer(file, FileHeaderBytes, nullptr, FILE_BEGIN);
    ReadFile(file, buffer, bufferBytes, &bytesRead, nullptr);
    CloseHandle(file);

    const int32_t width = ReadLong(buffer + 4);
    const int32_t height = ReadLong(buffer + 8);
    const uint16_t bitCount = ReadWord(buffer + 14);
    DWORD pixelOffset = 0;
    if (bitCount == 8)
        pixelOffset = PixelsAfterTable;
    else if (bitCount == 16 || bitCount == 24 || bitCount == 32)
        pixelOffset = InfoHeaderBytes;
    // The rows must all lie in the file, at every bit count, before a surface of the claimed size
    // is made: a truncated file is refused rather than read past its end, and a tiny file can
    // never make a surface larger than its own rows could fill. Rows of depths that are not drawn
    // are taken to follow the info header at once; a bit count of 0 counts as 1.
    const int64_t rowBits = bitCount == 0 ? 1 : bitCount;
    const int64_t stride = (static_cast<int64_t>(width) * rowBits + 31) / 32 * 4;
    const int64_t available =
        static_cast<int64_t>(bufferBytes) - (pixelOffset != 0 ? pixelOffset : InfoHeaderBytes);
    if (width <= 0 || height <= 0 || available < 0 || available / stride < height) {
        delete[] buffer;
        return nullptr;
    }
    // Run-length and bit-field pictures make GDI read what their header claims: the data's own
    // size, or three colour masks after the header. Where that does not lie in the file, the
    // surface comes without the picture rather than letting GDI read past the buffer.
    const DWORD compression = static_cast<DWORD>(ReadLong(buffer + 16));
    const DWORD claimed = compression == BI_RLE8 || compression == BI_RLE4
                              ? static_cast<DWORD>(ReadLong(buffer + 20))
                              : compression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
    if (pixelOffset != 0 && claimed > bufferBytes - pixelOffset)
        pixelOffset = 0;
    IDirectDrawSurface7* surface = CreateOffscreenSurface(width, height);
    if (!surface) {
        delete[] buffer;
        return nullptr;
    }
    SetTransparentColorKey(surface);

    // The header is taken to be 40 bytes, whatever its own size field says: the colour table and
    // the pixels are where that puts them, and GDI must look for the table there too.
    buffer[0] = static_cast<BYTE>(InfoHeaderBytes);
    buffer[1] = buffer[2] = buffer[3] = 0;

    // Other depths (1 and 4 bits among them) are not drawn: the surface comes without the picture.
    HDC dc = nullptr;
    if (pixelOffset != 0 && surface->GetDC(&dc) == DD_OK) {
        StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, buffer + pixelOffset,
                      reinterpret_cast<const BITMAPINFO*>(buffer), DIB_RGB_COLORS, SRCCOPY);
        surface->ReleaseDC(dc);
    }
    delete[] buffer;
    return surface;
}

bool SaveSurfaceBitmap(int x, int y, int width, int height, IDirectDrawSurface7* surface,
                       const char* fileName)
{
    // Everything that can fail on the surface's side is settled before the file is created,
    // so that a surface that cannot be read never costs the user an existing file.
    int32_t pitch = 0;
    int32_t rows = 0;
    if (!GetSurfaceLayout(pitch, rows, surface))
        return false;
    SaveArea area;
    if (!CutToSurface(x, y, width, height, pitch, rows, area))
        return false;
    const bool widenedGreen = BitsPerPixel == 16 && HasSixBitGreen(surface);

    // The picture is written beside the file under a name of its own and takes the file's name
    // only once it is complete and on the disk: a full disk or a failed write never costs the
    // user the previous file, and leaves no partial one behind.
    const std::unique_ptr<char[]> partName = PartName(fileName);
    std::unique_ptr<BYTE[]> row(new (std::nothrow) BYTE[area.paddedRowBytes]());
    if (!partName || !row)
        return false;
    bool written = false;
    {
        const LockedSurface locked(surface);
        if (!locked.memory)
            return false;
        HANDLE file = CreateFileA(partName.get(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        FileWriter out(file);
        WriteBitmapHeaders(out, area);
        WriteBitmapRows(out, locked.memory, pitch, area, widenedGreen, row.get());
        written = out.ok() && FlushFileBuffers(file);
        written = CloseHandle(file) && written;
    }
    written = written && MoveFileExA(partName.get(), fileName, MOVEFILE_REPLACE_EXISTING);
    if (!written)
        DeleteFileA(partName.get());
    return written;
}
