// sprites.cpp -- a sprite sheet loaded from a PNG file with alpha, sprites drawn with the
// transparent colour over a background, moving with the clock, turned, scaled and mirrored, and
// a stretch blit that zooms.
// Nothing to press: watch. Esc quits, F12 saves the screen. "sprites 8" runs at 8 bits.

#include <cmath>

#include "example.h"

const char ExampleName[] = "sprites";
const int ExampleDepth = 16;

namespace {

// The sheet: seven 32 x 32 cells side by side (made by tools/make_sprites.py). The brick tile
// and the face fill their cells; the other sprites stand on pixels of alpha 0, which the loader
// turns into the transparent colour, as it does every pixel less than half opaque.
constexpr char SheetFile[] = "data/sprites.png";
constexpr int Cell = 32;
enum SheetCell { Brick, Ball, Star, Ship, Gem, Face, Fish };
constexpr int SheetCells = 7;

IDirectDrawSurface7* pSheet = nullptr;

// Background colours. At 8 bits every colour comes from the palette in data/palette.bmp, so
// these are chosen from it: each level a multiple of 51.
NativePixel Sky[4];
constexpr COLORREF LabelColor = RGB(255, 255, 255);
constexpr int GroundY = 600 - 2 * Cell;
constexpr int ZoomX = 640, ZoomY = 210;  // centre of the zoomed face
constexpr int TurnX = 520, TurnY = 440;  // centre of the turning ship
constexpr int FishX = 640, FishMirrorX = 740, FishY = 440;  // centres of the fish and its mirror

// Copies one cell of the sheet to the screen, leaving out its transparent pixels. Anything past
// the screen's edges is cut off, so sprites can leave the screen gracefully.
void DrawSprite(SheetCell cell, int x, int y)
{
    BlitKeyedToScreen(x, y, cell * Cell, 0, Cell, Cell, pSheet);
}

}  // namespace

bool ExampleStart()
{
    // The loader makes an off-screen surface of the picture's size, converts the picture to the
    // display's pixels once (at 8 bits, to the nearest colours of the palette) and gives the
    // surface the transparent colour as its colour key. When it fails, LastEngineError() says
    // why, naming the file (the reason is also written to the debugger's output). In SurfaceTable, the sheet is released with the display.
    pSheet = LoadImageSurface(SheetFile);
    if (!pSheet || AddSurfaceToTable(pSheet) < 0) {
        AbortProgram(hMainWindow, SheetFile);
        return false;
    }
    Sky[0] = RgbToNativePixel(0, 0, 51);
    Sky[1] = RgbToNativePixel(0, 0, 102);
    Sky[2] = RgbToNativePixel(0, 51, 102);
    Sky[3] = RgbToNativePixel(0, 51, 153);
    return true;
}

void ExampleFrame()
{
    const double t = ExampleTime() / 1000.0;

    // The background: bands of sky, and a ground of brick tiles copied with a plain blit, which
    // copies every pixel.
    for (int band = 0; band < 4; ++band)
        FillScreenRect(0, band * GroundY / 4, ScreenWidth, GroundY / 4 + 1, Sky[band]);
    for (int y = GroundY; y < ScreenHeight; y += Cell)
        for (int x = 0; x < ScreenWidth; x += Cell)
            BlitToScreen(x, y, Brick * Cell, 0, Cell, Cell, pSheet);

    // The sheet as it is loaded, copied plainly: the transparent colour, magenta, shows where
    // the sprites are see-through.
    DrawTextLine(20, 15, 12, LabelColor, "The sheet: BlitToScreen");
    BlitToScreen(20, 40, 0, 0, SheetCells * Cell, Cell, pSheet);
    // The same cells with the colour key: the sky shows through where the sheet is magenta.
    DrawTextLine(260, 15, 12, LabelColor, "Sprites: BlitKeyedToScreen");
    for (int cell = Ball; cell <= Gem; ++cell)
        DrawSprite(static_cast<SheetCell>(cell), 260 + (cell - Ball) * 40, 40);

    // Sprites in motion. Positions are functions of the clock, so they move at the same speed
    // at any frame rate. Each follows its own loop; some leave the screen for a while.
    for (int i = 0; i < 8; ++i) {
        const int x = 384 + static_cast<int>(420 * std::sin(t * 0.5 + i * 0.8));
        const int y = 280 + static_cast<int>(150 * std::sin(t * 0.9 + i * 1.7));
        DrawSprite(static_cast<SheetCell>(Ball + i % 4), x, y);
    }
    // A ball bouncing along the ground: the height of a bounce is |sin|.
    const int bounce = static_cast<int>(160 * std::fabs(std::sin(t * 3)));
    DrawSprite(Ball, static_cast<int>(std::fmod(t * 120, ScreenWidth + Cell)) - Cell,
               GroundY - Cell - bounce);

    // The stretch blit scales a rectangle of the sheet to any size: the face grows and shrinks
    // about its centre. It copies every pixel, so it is used on a cell without transparent ones.
    const int size = Cell + static_cast<int>((1 - std::cos(t)) * 100);
    DrawTextLine(560, 15, 12, LabelColor, "Zoom: StretchBlitToScreen");
    StretchBlitToScreen(ZoomX - size / 2, ZoomY - size / 2, Face * Cell, 0, Cell, Cell, size, size,
                        pSheet);

    // Turned and scaled sprites: the source cell's centre lands on the given point, the angle
    // is in degrees clockwise, and the transparent colour is left out as in a keyed copy. The
    // ship turns once every six seconds and pulses between 1 and 3 times its size.
    DrawTextLine(470, 345, 12, LabelColor, "Turned, scaled, mirrored: BlitRotatedToScreen");
    BlitRotatedToScreen(TurnX, TurnY, Ship * Cell, 0, Cell, Cell, t * 60, 2 + std::sin(t * 2), 0,
                        pSheet);
    // The fish at twice its size, and mirrored left to right by a flag instead of a second
    // picture in the sheet.
    BlitRotatedToScreen(FishX, FishY, Fish * Cell, 0, Cell, Cell, 0, 2, 0, pSheet);
    BlitRotatedToScreen(FishMirrorX, FishY, Fish * Cell, 0, Cell, Cell, 0, 2, BlitFlipHorizontal,
                        pSheet);
}
