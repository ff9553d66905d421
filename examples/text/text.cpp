// text.cpp -- text boxes and single lines at several heights, Cyrillic, tabs and line ends, text
// measured, aligned and wrapped in both faces, drawn once into a surface and blitted with the
// transparent colour, and a line typed at the keyboard. Type anything: Backspace erases, Enter
// clears. Esc quits, F12 saves.

#include <cstring>

#include "example.h"

const char ExampleName[] = "text";
const int ExampleDepth = 16;

namespace {

// All 8-bit text is Windows-1251, where the Cyrillic letters are the bytes 0xC0 to 0xFF. They are
// written here as escapes so the source reads the same in any editor. A string is split where a
// hex digit follows an escape, as "\xE0" "1" would otherwise read as one character.
// "Съешь же ещё этих мягких французских булок, да выпей чаю." -- every Russian letter.
constexpr char Pangram[] =
    "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 \xEC\xFF\xE3\xEA\xE8\xF5 "
    "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 \xE1\xF3\xEB\xEE\xEA, \xE4\xE0 "
    "\xE2\xFB\xEF\xE5\xE9 \xF7\xE0\xFE.";
// "Привет, мир!" -- hello, world.
constexpr char Hello[] = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!";

// A text box breaks lines only at line ends ('\n') and expands tabs ('\t'), so a small table
// lines up by itself. What does not fit the box is cut off at its edges.
constexpr char Table[] =
    "Player\tScore\tLevel\n"
    "Anna\t12 400\t7\n"
    "Boris\t9 150\t5\n"
    "\xC4\xE8\xEC\xE0\t8 020\t5\n"  // "Дима"
    "A line far too long for its box is cut off at the box's right edge, not wrapped.";

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Yellow = RGB(255, 255, 0);
constexpr COLORREF Typed = RGB(0, 255, 0);
constexpr int TableX = 20, TableY = 40, TableW = 360, TableH = 130;
constexpr int TypedX = 30, TypedY = 520;

// Measured and aligned text, drawn once into a surface of its own over the transparent colour:
// three columns, each over a box that the frame fills on the screen.
constexpr int PanelX = 20, PanelY = 352, PanelW = 760, PanelH = 130;
constexpr int ColumnW = 240, ColumnGap = 20;
constexpr char Wrapped[] =
    "A box wraps at words when asked: a line breaks before the word that would pass the edge.\n"
    "A line end still ends a line.";
constexpr char Centred[] = "Centred both ways and wrapped, in the serif face of DrawTextBox.";
constexpr char Measured[] = "Measured: the bar below is as wide as this line";

NativePixel Background, BoxColor, Light, Dark, Bar;
IDirectDrawSurface7* pPanel = nullptr;

// Draws the panel's text over the transparent colour, so only the letters show when blitted.
void DrawPanel()
{
    FillSurfaceRect(0, 0, PanelW, PanelH, TransparentColor, pPanel);
    // The serif box face, wrapped to the column's width, left-aligned.
    DrawTextBoxAligned(0, 0, ColumnW, PanelH, 16, White, TextAlignLeft | TextWrapWords, pPanel,
                       Wrapped);
    // The bold line face, aligned in rows of the middle column, centred in each row's height.
    const int middle = ColumnW + ColumnGap;
    DrawTextLineAligned(middle, 0, ColumnW, 26, 16, White, TextAlignLeft | TextAlignMiddle, pPanel,
                        "Left");
    DrawTextLineAligned(middle, 26, ColumnW, 26, 16, White, TextAlignCentre | TextAlignMiddle,
                        pPanel, "Centre");
    DrawTextLineAligned(middle, 52, ColumnW, 26, 16, White, TextAlignRight | TextAlignMiddle,
                        pPanel, "Right");
    DrawTextLineAligned(middle, 78, ColumnW, 52, 24, Yellow, TextAlignCentre | TextAlignMiddle,
                        pPanel, Hello);
    // The serif box face centred both ways, wrapped.
    DrawTextBoxAligned(2 * middle, 0, ColumnW, PanelH, 18, White,
                       TextAlignCentre | TextAlignMiddle | TextWrapWords, pPanel, Centred);
}

// The typed line, Windows-1251 like everything else; one byte is kept for the closing zero.
char TypedLine[60] = "";

// Takes the character the window procedure stored from WM_CHAR, if one arrived since the last
// frame. CharReady stays set until the game clears it, so each character is taken once.
void TakeTypedCharacter()
{
    if (!InputState.CharReady)
        return;
    InputState.CharReady = false;
    const unsigned char code = static_cast<unsigned char>(InputState.CharCode);
    const size_t length = strlen(TypedLine);
    if (code == '\b') {                       // Backspace arrives as character 8
        if (length > 0)
            TypedLine[length - 1] = 0;
    } else if (code == '\r') {                // Enter arrives as character 13
        TypedLine[0] = 0;
    } else if (code >= ' ' && code != 127 && length + 1 < sizeof(TypedLine)) {
        TypedLine[length] = static_cast<char>(code);  // Escape and other controls are ignored
        TypedLine[length + 1] = 0;
    }
}

}  // namespace

bool ExampleStart()
{
    Background = RgbToNativePixel(16, 16, 48);
    BoxColor = RgbToNativePixel(32, 32, 80);
    Light = RgbToNativePixel(160, 160, 220);
    Dark = RgbToNativePixel(8, 8, 24);
    Bar = RgbToNativePixel(255, 128, 0);
    pPanel = CreateOffscreenSurface(PanelW, PanelH);
    if (!pPanel || !SetTransparentColorKey(pPanel))
        return false;
    DrawPanel();
    return true;
}

void ExampleFrame()
{
    TakeTypedCharacter();
    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);

    // DrawTextBox: the serif face, into a rectangle of any surface, here the screen. The box is
    // filled first only to show where it is: text leaves the background between its letters.
    DrawTextLine(TableX, TableY - 20, 12, Yellow, "DrawTextBox: tabs, line ends, cut to the box");
    FillScreenRect(TableX, TableY, TableW, TableH, BoxColor);
    DrawTextBox(TableX, TableY, TableW, TableH, 18, White, pScreenSurface, Table);

    // The same routine at several heights; the height is the font's, in pixels.
    int y = 200;
    for (int height : {12, 16, 24, 32}) {
        DrawTextBox(20, y, ScreenWidth - 40, height + 4, height, White, pScreenSurface, Pangram);
        y += height + 10;
    }

    // DrawTextLine: one line in the bold sans-serif face on the screen (DrawTextLineOnSurface
    // draws it on any surface). It does not obey line ends; they are drawn as characters.
    DrawTextLine(420, TableY - 20, 12, Yellow, "DrawTextLine at 12, 20 and 32 pixels:");
    DrawTextLine(420, 50, 12, White, Hello);
    DrawTextLine(420, 70, 20, White, Hello);
    DrawTextLine(420, 100, 32, White, Hello);

    // MeasureTextLine gives the size of a line as DrawTextLine draws it, here shown by a bar.
    const TextSize size = MeasureTextLine(12, Measured);
    DrawTextLine(420, 150, 12, White, Measured);
    FillScreenRect(420, 150 + size.height + 2, size.width, 3, Bar);

    // The panel's text was drawn once; each frame blits it with the transparent colour over
    // the boxes. A surface whose memory was lost is drawn again.
    DrawTextLine(PanelX, PanelY - 20, 12, Yellow,
                 "Drawn once into a surface, blitted with the transparent colour:");
    for (int column = 0; column < 3; ++column)
        FillScreenRect(PanelX + column * (ColumnW + ColumnGap), PanelY, ColumnW, PanelH, BoxColor);
    if (pPanel->IsLost() != DD_OK && pPanel->Restore() == DD_OK)
        DrawPanel();
    BlitKeyedToScreen(PanelX, PanelY, 0, 0, PanelW, PanelH, pPanel);

    // The typed line in a sunken box, with a caret that blinks twice a second.
    DrawTextLine(TypedX - 10, TypedY - 30, 12, Yellow,
                 "Type here (Windows-1251 from WM_CHAR); Backspace erases, Enter clears:");
    FillScreenRect(TypedX - 10, TypedY - 8, ScreenWidth - 2 * (TypedX - 10), 48, BoxColor);
    DrawScreenBevel(TypedX - 10, TypedY - 8, ScreenWidth - 2 * (TypedX - 10), 48, Dark, Light);
    char shown[sizeof(TypedLine) + 1];
    wsprintfA(shown, ExampleTime() % 500 < 250 ? "%s_" : "%s", TypedLine);
    DrawTextLine(TypedX, TypedY, 24, Typed, shown);

    // The last character's code, as the window procedure stored it.
    char code[64];
    wsprintfA(code, "Last character: %u (0x%02X)", InputState.CharCode, InputState.CharCode);
    DrawTextLine(TypedX - 10, TypedY + 50, 12, Yellow, code);
}
