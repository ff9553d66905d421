// scene.cpp -- the demonstration scene that the main loop runs

#include <cstring>
#include <new>

#include "scene.h"
#include "app/app.h"
#include "draw/draw.h"
#include "input/input.h"

NativePixel ColorDark = 0;
NativePixel ColorWhite = 0;
NativePixel ColorBlue = 0;
NativePixel ColorRed = 0;
NativePixel ColorGreen = 0;
NativePixel ColorOrange = 0;
NativePixel ColorYellow = 0;
NativePixel ColorPurple = 0;
NativePixel ColorOlive = 0;
NativePixel ColorGray = 0;
NativePixel ColorSilver = 0;
NativePixel ColorSlate = 0;
NativePixel ColorMaroon = 0;

IDirectDrawSurface7* pTextSurface = nullptr;
char* TextBuffer = nullptr;
uint32_t TextLength = 0;
int32_t BoxSize = 0;
bool BoxGrowing = false;
int32_t ScrollY = 0;
bool ScrollDown = false;

namespace {

constexpr char TextFile[] = "text.txt";
constexpr int TextSurfaceWidth = 450;
constexpr int TextSurfaceHeight = 800;
constexpr int TextMargin = 10;
constexpr int TextSurfaceFontHeight = 15;
constexpr COLORREF TextSurfaceColor = 0x000467FB;  // orange
constexpr int StatusX = 30;
constexpr int StatusY = 15;
constexpr int StatusFontHeight = 12;
constexpr COLORREF StatusColor = 0x0028FFFF;  // yellow
constexpr int BoxX = 30;
constexpr int BoxY = 30;
constexpr int BoxWidth = 400;
constexpr int BoxHeight = 500;
constexpr int BoxFontHeight = 16;
constexpr COLORREF BoxTextColor = 0x00FFFF00;  // cyan
constexpr int BoxLargest = 300;
constexpr int ScrollX = 300;
constexpr int ScrollHighest = -800;
constexpr int ScrollLowest = 100;

// The text as the text routines take it: a missing file is an empty text.
const char* SceneText() { return TextBuffer ? TextBuffer : ""; }

// Fills the text surface with the transparent colour and renders the text into it.
void RenderTextSurface()
{
    FillSurfaceRect(0, 0, TextSurfaceWidth, TextSurfaceHeight, TransparentColor, pTextSurface);
    DrawTextBox(TextMargin, TextMargin, TextSurfaceWidth, TextSurfaceHeight, TextSurfaceFontHeight,
                TextSurfaceColor, pTextSurface, SceneText());
}

}  // namespace

void LoadText()
{
    HANDLE file = CreateFileA(TextFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const DWORD size = GetFileSize(file, nullptr);
    // A file whose size cannot be told, or that does not fit in memory, is treated as no text.
    char* buffer = size == INVALID_FILE_SIZE ? nullptr : new (std::nothrow) char[size + 1u];
    if (!buffer) {
        CloseHandle(file);
        return;
    }
    DWORD bytesRead = 0;
    ReadFile(file, buffer, size, &bytesRead, nullptr);
    // A file that shrank while it was read ends where the reading ended.
    buffer[bytesRead < size ? bytesRead : size] = 0;
    CloseHandle(file);
    TextBuffer = buffer;
    TextLength = size;
}

void InitScene()
{
    ColorDark = RgbToNativePixel(15, 15, 15);
    ColorWhite = RgbToNativePixel(255, 255, 255);
    ColorBlue = RgbToNativePixel(0, 0, 255);
    ColorRed = RgbToNativePixel(200, 0, 0);
    ColorGreen = RgbToNativePixel(0, 255, 0);
    ColorOrange = RgbToNativePixel(251, 103, 4);
    ColorYellow = RgbToNativePixel(255, 255, 40);
    ColorPurple = RgbToNativePixel(180, 0, 180);
    ColorOlive = RgbToNativePixel(156, 168, 100);
    ColorGray = RgbToNativePixel(120, 120, 120);
    ColorSilver = RgbToNativePixel(192, 192, 192);
    ColorSlate = RgbToNativePixel(152, 168, 168);
    ColorMaroon = RgbToNativePixel(128, 0, 0);

    LoadText();
    pTextSurface = CreateOffscreenSurface(TextSurfaceWidth, TextSurfaceHeight);
    SetTransparentColorKey(pTextSurface);
    RenderTextSurface();
}

void ReleaseScene()
{
    if (pTextSurface) {
        pTextSurface->Release();
        pTextSurface = nullptr;
    }
    delete[] TextBuffer;
    TextBuffer = nullptr;
    TextLength = 0;
}

void DrawScene()
{
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, ColorDark);

    const int rate = UpdateFps();
    char status[100];
    wsprintfA(status, "%d Fps - %03d", BitsPerPixel, rate);
    if (JoystickPresent) {
        PollJoystick();
        strcat(status, " joystick");
    }
    DrawTextLine(StatusX, StatusY, StatusFontHeight, StatusColor, status);

    BoxSize += BoxGrowing ? 1 : -1;
    if (BoxSize > BoxLargest)
        BoxGrowing = false;
    if (BoxSize < 0)
        BoxGrowing = true;
    DrawScreenFrame(BoxX, BoxY, BoxWidth - BoxSize, BoxHeight - BoxSize, ColorWhite);
    DrawTextBox(BoxX, BoxY, BoxWidth - BoxSize, BoxHeight - BoxSize, BoxFontHeight, BoxTextColor,
                pScreenSurface, SceneText());

    ScrollY += ScrollDown ? 1 : -1;
    if (ScrollY < ScrollHighest)
        ScrollDown = true;
    if (ScrollY > ScrollLowest)
        ScrollDown = false;
    // Surfaces lost with the display come back empty: the text is rendered into its surface
    // again, or it would be missing for the rest of the run.
    if (pTextSurface && pTextSurface->IsLost() != DD_OK && pTextSurface->Restore() == DD_OK)
        RenderTextSurface();
    BlitKeyedToScreen(ScrollX, ScrollY, 0, 0, TextSurfaceWidth, TextSurfaceHeight, pTextSurface);

    PresentScreen();
}
