// game.h -- the rules of bricks: the field, the levels, the ball and paddle, scoring, and the
// player that takes over when nobody plays. Time advances in steps of one millisecond, so a run
// is the same at any frame rate; nothing here draws.
#pragma once

#include <cstdint>

// The field, in screen pixels.
constexpr int FieldLeft = 20;      // inside of the left wall
constexpr int FieldRight = 780;    // inside of the right wall
constexpr int FieldTop = 48;       // inside of the top wall
constexpr int FieldBottom = 600;   // a ball below this is lost
constexpr int BrickColumns = 12;
constexpr int BrickRows = 8;
constexpr int BrickLeft = 40;      // the wall of bricks: one cell per brick
constexpr int BrickTop = 90;
constexpr int CellWidth = 60;
constexpr int CellHeight = 24;
constexpr int BrickWidth = 56;     // a brick inside its cell, the rest is the gap
constexpr int BrickHeight = 20;
constexpr int PaddleWidth = 96;
constexpr int PaddleHeight = 16;
constexpr int PaddleY = 556;
constexpr int BallSize = 12;
constexpr int StartLives = 3;

// Brick tiles, in the order of the sprite sheet; a silver brick cracks on its first hit.
enum Tile { NoBrick = -1, Red, Orange, Yellow, Green, Blue, Silver, Cracked, TileCount };

enum class Phase { Serve, Play, LevelClear, GameOver };

// What happened in a step, for sound and show; x and y are where, tile what was hit.
enum class Event { Wall, Paddle, Brick, Lost, Cleared, ExtraBall };
// Defined by the program that runs the game.
void OnGameEvent(Event event, float x, float y, Tile tile);

struct Game {
    Phase phase = Phase::Serve;
    uint32_t phaseTime = 0;        // milliseconds in this phase
    int level = 1;
    int lives = StartLives;
    int score = 0;
    int highScore = 0;
    Tile bricks[BrickRows][BrickColumns] = {};
    float paddleX = 0;             // the paddle's left edge
    float ballX = 0, ballY = 0;    // the ball's top-left corner
    float ballVX = 0, ballVY = 0;  // pixels per second
    float speed = 0;               // the ball's speed, pixels per second
    float aim = 0;                 // where the self-player means to meet the ball, off the centre
    bool aimChosen = false;
};

// What moves the paddle in a step.
struct Controls {
    int direction = 0;     // -1 left, +1 right, at the paddle's own speed (keys, stick)
    bool steer = false;    // move the paddle's centre towards targetX instead
    bool jump = false;     // with steer: be there at once (the mouse)
    float targetX = 0;
    bool launch = false;   // serve the ball, or start a new game after the last one ended
};

// Starts a new game at level 1, keeping the high score.
void NewGame(Game& game);
// Advances the game by one millisecond.
void StepGame(Game& game, const Controls& controls);
// The controls of the self-player: it follows the ball to where it will land and aims it at the
// bricks, missing now and then, serves, and starts a new game a while after the last ended.
Controls AttractControls(Game& game);
// The bricks left to break.
int BricksLeft(const Game& game);
