// bricks.cpp -- a small game on the engine: knock out the wall of bricks with the ball.
// Mouse, arrow keys or stick move the paddle; click, Space or button 1 serves. Left alone for a
// few seconds it plays by itself until someone touches a control.

#include <cmath>
#include <cstring>

#include "example.h"
#include "game.h"

const char ExampleName[] = "bricks";
const int ExampleDepth = 32;

namespace {

constexpr char SheetFile[] = "data/bricks.bmp";
constexpr int TileStep = 64;              // brick tiles on the sheet's top row, one every 64 pixels
constexpr int PaddleSheetX = 0, PaddleSheetY = 32;
constexpr int BallSheetX = 104, BallSheetY = 32;
constexpr uint32_t LongestFrame = 100;    // milliseconds: a longer stall does not let the ball jump
constexpr uint32_t IdleTime = 4000;       // milliseconds without input before the game plays itself
constexpr int HudFont = 20;
constexpr int BandCount = 24;             // the backdrop shades down in bands
constexpr int BandHeight = (FieldBottom - FieldTop) / BandCount;
constexpr int DebrisCount = 48;
constexpr uint32_t DebrisLife = 700;      // milliseconds
constexpr char MusicFile[] = "sounds/music.ogg";
constexpr int32_t MusicVolume = -900;     // hundredths of a decibel: under the hits
constexpr uint32_t MusicFadeOut = 2500;   // milliseconds, at game over
constexpr uint32_t MusicFadeIn = 1000;    // milliseconds, when a new game starts

// The brick colours as the sheet has them, for the pieces of a broken brick.
constexpr int TileRgb[TileCount][3] = {{220, 40, 40}, {240, 140, 30}, {235, 210, 50}, {60, 185, 70},
                                       {50, 120, 230}, {175, 180, 195}, {175, 180, 195}};

struct Piece {
    float x, y, vx, vy;
    uint32_t age;     // milliseconds; a piece at DebrisLife or older is gone
    NativePixel colour;
};

Game TheGame;
IDirectDrawSurface7* pSheet = nullptr;
int32_t PaddleSound = -1, BrickSound = -1, WallSound = -1, LostSound = -1, LevelSound = -1;
NativePixel TileColour[TileCount];
NativePixel Backdrop[BandCount];
NativePixel Black, WallColour, WallLight, WallShade;
Piece Debris[DebrisCount];
int NextPiece = 0;
uint32_t LastTime = 0;
uint32_t LastInputTime = 0;
int32_t LastMouseX = 0, LastMouseY = 0;   // where InputState starts
Controls Player;                           // a click or a mouse move waits here for the next step
bool Attract = false;
Phase LastPhase = Phase::Serve;            // the music follows the game's phase

// Pans a sound towards the side of the screen where it happens.
int32_t PanAt(float x) { return static_cast<int32_t>((x - 400) * 5); }

// Reads the player's controls into Player; true when any of them was touched this frame.
bool ReadPlayer()
{
    Controls& controls = Player;
    const bool mouseMoved = InputState.MouseX != LastMouseX || InputState.MouseY != LastMouseY;
    LastMouseX = InputState.MouseX;
    LastMouseY = InputState.MouseY;
    if (mouseMoved) {
        controls.steer = controls.jump = true;
        controls.targetX = static_cast<float>(InputState.MouseX);
    }
    // The keys as the frame's events: held arrows steer, and a tap on Space serves even when it
    // was shorter than a frame.
    const bool left = KeyHeld(VK_LEFT) || KeyPressed(VK_LEFT) || InputState.JoyLeft;
    const bool right = KeyHeld(VK_RIGHT) || KeyPressed(VK_RIGHT) || InputState.JoyRight;
    controls.direction = (right ? 1 : 0) - (left ? 1 : 0);
    const bool button = JoyButtonPressed(0);
    const bool space = KeyPressed(VK_SPACE);
    const bool enter = KeyPressed(VK_RETURN);
    const bool launch = LeftDownInRect(0, 0, ScreenWidth, ScreenHeight) || space || enter || button;
    controls.launch = controls.launch || launch;
    return mouseMoved || left || right || launch || InputState.LeftButton;
}

// Text centred across the screen by its measured width.
void DrawCentred(int y, int height, COLORREF colour, const char* text)
{
    const TextSize size = MeasureTextLine(height, text);
    DrawTextLine((ScreenWidth - size.width) / 2, y, height, colour, text);
}

void DrawField()
{
    // A dark backdrop shading down in bands, the status line and the three walls.
    for (int band = 0; band < BandCount; ++band)
        FillScreenRect(0, FieldTop + band * BandHeight, ScreenWidth, BandHeight, Backdrop[band]);
    FillScreenRect(0, 0, ScreenWidth, FieldTop, Black);
    const int wallTop = FieldTop - 12;
    FillScreenRect(0, wallTop, FieldLeft, ScreenHeight - wallTop, WallColour);
    FillScreenRect(FieldRight, wallTop, ScreenWidth - FieldRight, ScreenHeight - wallTop,
                   WallColour);
    FillScreenRect(0, wallTop, ScreenWidth, 12, WallColour);
    DrawScreenBevel(0, wallTop, ScreenWidth, ScreenHeight - wallTop, WallLight, WallShade);
    DrawScreenBevel(FieldLeft - 1, FieldTop - 1, FieldRight - FieldLeft + 2, ScreenHeight,
                    WallShade, WallLight);
}

void DrawHud()
{
    char text[64];
    wsprintfA(text, "SCORE %06d", TheGame.score);
    DrawTextLine(16, 8, HudFont, RGB(255, 255, 255), text);
    wsprintfA(text, "HIGH %06d", TheGame.highScore);
    DrawCentred(8, HudFont, RGB(255, 200, 60), text);
    wsprintfA(text, "LEVEL %d   LIVES %d", TheGame.level, TheGame.lives);
    DrawTextLine(560, 8, HudFont, RGB(255, 255, 255), text);
}

void DrawMessages()
{
    char text[64];
    const bool blink = ExampleTime() / 500 % 2 == 0;
    switch (TheGame.phase) {
    case Phase::Serve:
        wsprintfA(text, "LEVEL %d", TheGame.level);
        DrawCentred(360, 36, RGB(255, 255, 255), text);
        if (!Attract)
            DrawCentred(410, 16, RGB(180, 200, 255), "click, Space or button 1 to serve");
        break;
    case Phase::LevelClear:
        wsprintfA(text, "LEVEL %d CLEARED", TheGame.level);
        DrawCentred(360, 36, RGB(120, 255, 120), text);
        break;
    case Phase::GameOver:
        DrawCentred(330, 48, RGB(255, 80, 60), "GAME OVER");
        if (!Attract)
            DrawCentred(400, 16, RGB(180, 200, 255), "click or press Space to play again");
        break;
    case Phase::Play:
        break;
    }
    if (Attract && blink)
        DrawCentred(500, 18, RGB(255, 255, 0), "DEMO - move the mouse or press a key to play");
}

// Moves the pieces of broken bricks: they fly apart and fall.
void DrawDebris(uint32_t elapsed)
{
    const float seconds = static_cast<float>(elapsed) / 1000.0f;
    for (Piece& piece : Debris) {
        if (piece.age >= DebrisLife)
            continue;
        piece.age += elapsed;
        piece.vy += 900 * seconds;
        piece.x += piece.vx * seconds;
        piece.y += piece.vy * seconds;
        FillScreenRect(int32_t(piece.x), int32_t(piece.y), 4, 4, piece.colour);
    }
}

}  // namespace

void OnGameEvent(Event event, float x, float y, Tile tile)
{
    switch (event) {
    // Hits play as voices: a fast ball's hits overlap instead of cutting each other off.
    case Event::Wall: PlaySoundVoice(PanAt(x), -600, 0, WallSound); break;
    case Event::Paddle: PlaySoundVoice(PanAt(x), 0, 0, PaddleSound); break;
    case Event::Lost: PlaySoundOnce(PanAt(x), 0, LostSound); break;
    case Event::Cleared:
    case Event::ExtraBall: PlaySoundOnce(0, 0, LevelSound); break;
    case Event::Brick:
        // Higher bricks ring higher; a silver one that only cracks rings low.
        PlaySoundVoice(PanAt(x), -200, tile == Silver ? 14000 : 22050 + 3000 * (Blue - tile),
                       BrickSound);
        for (int i = 0; i < 6; ++i) {
            Piece& piece = Debris[NextPiece];
            NextPiece = (NextPiece + 1) % DebrisCount;
            piece = {x, y, float(RandomRange(-160, 161)), float(RandomRange(-240, 0)), 0,
                     TileColour[tile]};
        }
        break;
    }
}

bool ExampleStart()
{
    pSheet = LoadBitmapSurface(SheetFile);
    if (!pSheet) {
        MessageBoxA(hMainWindow, "data/bricks.bmp is missing", ExampleName, MB_OK);
        return false;
    }
    PaddleSound = AddSound("data/paddle.wav");
    BrickSound = AddSound("data/brick.wav");
    WallSound = AddSound("data/wall.wav");
    LostSound = AddSound("data/lose.wav");
    LevelSound = AddSound("data/level.wav");
    for (int tile = 0; tile < TileCount; ++tile)
        TileColour[tile] = RgbToNativePixel(TileRgb[tile][0], TileRgb[tile][1], TileRgb[tile][2]);
    WallColour = RgbToNativePixel(110, 116, 140);
    WallLight = RgbToNativePixel(200, 205, 225);
    WallShade = RgbToNativePixel(50, 52, 70);
    Black = RgbToNativePixel(0, 0, 0);
    // The 8-bit palette has no fine shades of dark blue: there the backdrop is one colour.
    for (int band = 0; band < BandCount; ++band)
        Backdrop[band] = BitsPerPixel == 8 ? RgbToNativePixel(0, 0, 51)
                                           : RgbToNativePixel(10 + band, 12 + band, 36 + band * 2);
    for (Piece& piece : Debris)
        piece.age = DebrisLife;
    NewGame(TheGame);
    // The music streams from its file and loops; a game without it still plays.
    if (PlayMusic(MusicFile, true))
        SetMusicVolume(MusicVolume);
    return true;
}

namespace {

// Fades the music out when the game is over and back in when a new one starts.
void FollowPhaseWithMusic()
{
    if (TheGame.phase == LastPhase)
        return;
    if (TheGame.phase == Phase::GameOver) {
        FadeMusicOut(MusicFadeOut);
    } else if (LastPhase == Phase::GameOver && PlayMusic(MusicFile, true)) {
        SetMusicVolume(MusicVolume);
        FadeMusicIn(MusicFadeIn);
    }
    LastPhase = TheGame.phase;
}

}  // namespace

void ExampleFrame()
{
    // The game moves by the clock in steps of a millisecond, however long the frame took.
    const uint32_t now = ExampleTime();
    const uint32_t elapsed = now - LastTime < LongestFrame ? now - LastTime : LongestFrame;
    LastTime = now;

    if (ReadPlayer()) {
        LastInputTime = now;
        Attract = false;
    } else if (now - LastInputTime >= IdleTime) {
        Attract = true;
    }
    for (uint32_t i = 0; i < elapsed; ++i) {
        StepGame(TheGame, Attract ? AttractControls(TheGame) : Player);
        Player.launch = false;   // a click serves once
        Player.steer = Player.jump = false;   // and the paddle jumps to the mouse once
    }
    FollowPhaseWithMusic();

    // A surface lost with the display (another program took the screen) comes back empty: the
    // sheet is loaded again.
    if (pSheet && pSheet->IsLost() != DD_OK) {
        pSheet->Release();
        pSheet = LoadBitmapSurface(SheetFile);
    }
    DrawField();
    for (int row = 0; row < BrickRows; ++row)
        for (int column = 0; column < BrickColumns; ++column)
            if (TheGame.bricks[row][column] != NoBrick)
                BlitKeyedToScreen(BrickLeft + column * CellWidth, BrickTop + row * CellHeight,
                                  TheGame.bricks[row][column] * TileStep, 0, BrickWidth,
                                  BrickHeight, pSheet);
    BlitKeyedToScreen(int32_t(TheGame.paddleX), PaddleY, PaddleSheetX, PaddleSheetY,
                      PaddleWidth, PaddleHeight, pSheet);
    if (TheGame.phase == Phase::Serve || TheGame.phase == Phase::Play)
        BlitKeyedToScreen(int32_t(std::lround(TheGame.ballX)), int32_t(std::lround(TheGame.ballY)),
                          BallSheetX, BallSheetY, BallSize, BallSize, pSheet);
    DrawDebris(elapsed);
    DrawHud();
    DrawMessages();
}
