// wingdi.h -- gdi32 as the engine uses it: colours, palette entries, stock objects, text on a DC
#pragma once
#ifdef _WIN32
#error "this is the Linux platform layer's wingdi.h; on Windows the SDK header answers"
#endif

#include "windef.h"

typedef DWORD COLORREF;
#define RGB(r, g, b) \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)(((WORD)(c)) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF

typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define SYSTEM_FONT 13

#define TRANSPARENT 1
#define OPAQUE 2

HGDIOBJ WINAPI GetStockObject(int object);
COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
