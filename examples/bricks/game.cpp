// game.cpp -- the rules of bricks, one millisecond at a time: a step moves the ball at most a
// pixel, less than any brick or gap, so even the fastest ball cannot pass through a brick.

#include <cmath>

#include "game.h"
#include "app/app.h"

namespace {

constexpr float Step = 0.001f;           // seconds per step
constexpr float PaddleSpeed = 700;       // pixels per second, keys, stick and self-player
constexpr float StartSpeed = 360;        // the ball at level 1, pixels per second
constexpr float LevelSpeedUp = 40;       // ... and faster at every further level
constexpr float PaddleSpeedUp = 4;       // each return off the paddle speeds it up
constexpr float BrickSpeedUp = 1.5f;     // and so does each brick it hits
constexpr float TopSpeed = 720;
constexpr float MaxAngle = 1.05f;        // radians off the vertical at the paddle's very end
constexpr uint32_t ClearedTime = 1800;   // milliseconds the "cleared" banner stays
constexpr uint32_t AttractServeTime = 900;
constexpr uint32_t AttractRestartTime = 3500;
constexpr int Points[TileCount] = {7, 5, 3, 2, 1, 2, 10};
constexpr int ExtraBallScore = 300;      // a ball more at every multiple of this score

// The walls, row by row: R O Y G B for the colours, S for silver, '.' for a gap. The levels
// repeat, faster each time round.
constexpr const char* Levels[][BrickRows] = {
    {"............", "............", "RRRRRRRRRRRR", "OOOOOOOOOOOO", "YYYYYYYYYYYY",
     "GGGGGGGGGGGG", "............", "............"},
    {"SS..SSSS..SS", "RRRRRRRRRRRR", "OO.OO..OO.OO", "YYYYYYYYYYYY", "GG.GG..GG.GG",
     "BBBBBBBBBBBB", "............", "............"},
    {".....SS.....", "....RRRR....", "...OOOOOO...", "..YYYYYYYY..", ".GGGGGGGGGG.",
     "BBBBBBBBBBBB", "SSSS....SSSS", "............"},
    {"S.S.S.S.S.S.", ".R.R.R.R.R.R", "O.O.O.O.O.O.", ".Y.Y.Y.Y.Y.Y", "G.G.G.G.G.G.",
     ".B.B.B.B.B.B", "S.S.S.S.S.S.", "............"},
};
constexpr int LevelCount = sizeof(Levels) / sizeof(Levels[0]);

float Clamp(float value, float low, float high)
{
    return value < low ? low : value > high ? high : value;
}

Tile TileOf(char c)
{
    switch (c) {
    case 'R': return Red;
    case 'O': return Orange;
    case 'Y': return Yellow;
    case 'G': return Green;
    case 'B': return Blue;
    case 'S': return Silver;
    default: return NoBrick;
    }
}

void EnterPhase(Game& game, Phase phase)
{
    game.phase = phase;
    game.phaseTime = 0;
}

void StartLevel(Game& game)
{
    const char* const* rows = Levels[(game.level - 1) % LevelCount];
    for (int row = 0; row < BrickRows; ++row)
        for (int column = 0; column < BrickColumns; ++column)
            game.bricks[row][column] = TileOf(rows[row][column]);
    game.speed = std::fmin(StartSpeed + LevelSpeedUp * float(game.level - 1), TopSpeed);
    EnterPhase(game, Phase::Serve);
}

// Sends the ball off at the angle (radians off straight up, positive to the right).
void Launch(Game& game, float angle)
{
    game.ballVX = game.speed * std::sin(angle);
    game.ballVY = -game.speed * std::cos(angle);
    EnterPhase(game, Phase::Play);
}

void SpeedUp(Game& game, float amount)
{
    const float speed = std::fmin(game.speed + amount, TopSpeed);
    game.ballVX *= speed / game.speed;
    game.ballVY *= speed / game.speed;
    game.speed = speed;
}

// Hits the first brick the ball overlaps: breaks or cracks it and scores. True on a hit.
bool HitBrick(Game& game)
{
    const int firstColumn = static_cast<int>(std::floor((game.ballX - BrickLeft) / CellWidth));
    const int firstRow = static_cast<int>(std::floor((game.ballY - BrickTop) / CellHeight));
    for (int row = firstRow; row <= firstRow + 1; ++row)
        for (int column = firstColumn; column <= firstColumn + 1; ++column) {
            if (row < 0 || row >= BrickRows || column < 0 || column >= BrickColumns)
                continue;
            Tile& brick = game.bricks[row][column];
            const float x = static_cast<float>(BrickLeft + column * CellWidth);
            const float y = static_cast<float>(BrickTop + row * CellHeight);
            if (brick == NoBrick || game.ballX + BallSize <= x || game.ballX >= x + BrickWidth ||
                game.ballY + BallSize <= y || game.ballY >= y + BrickHeight)
                continue;
            const Tile hit = brick;
            const int before = game.score;
            game.score += Points[hit];
            if (game.score / ExtraBallScore > before / ExtraBallScore) {
                game.lives += 1;
                OnGameEvent(Event::ExtraBall, x + BrickWidth / 2, y + BrickHeight / 2, hit);
            }
            brick = hit == Silver ? Cracked : NoBrick;
            SpeedUp(game, BrickSpeedUp);
            OnGameEvent(Event::Brick, x + BrickWidth / 2, y + BrickHeight / 2, hit);
            return true;
        }
    return false;
}

void MovePaddle(Game& game, const Controls& controls)
{
    if (controls.steer) {
        const float wanted = controls.targetX - PaddleWidth / 2.0f;
        const float most = PaddleSpeed * Step;
        game.paddleX = controls.jump ? wanted
                                     : game.paddleX + Clamp(wanted - game.paddleX, -most, most);
    } else {
        game.paddleX += static_cast<float>(controls.direction) * PaddleSpeed * Step;
    }
    game.paddleX = Clamp(game.paddleX, FieldLeft, FieldRight - PaddleWidth);
}

// One step of the ball: across, then down, each undone and turned back where it hits something.
void MoveBall(Game& game)
{
    game.ballX += game.ballVX * Step;
    if (game.ballX < FieldLeft || game.ballX + BallSize > FieldRight) {
        game.ballX = Clamp(game.ballX, FieldLeft, FieldRight - BallSize);
        game.ballVX = -game.ballVX;
        OnGameEvent(Event::Wall, game.ballX, game.ballY, NoBrick);
    } else if (HitBrick(game)) {
        game.ballX -= game.ballVX * Step;
        game.ballVX = -game.ballVX;
    }

    const float lastBottom = game.ballY + BallSize;
    game.ballY += game.ballVY * Step;
    if (game.ballY < FieldTop) {
        game.ballY = FieldTop;
        game.ballVY = -game.ballVY;
        OnGameEvent(Event::Wall, game.ballX, game.ballY, NoBrick);
    } else if (HitBrick(game)) {
        game.ballY -= game.ballVY * Step;
        game.ballVY = -game.ballVY;
    }

    // The paddle sends the ball back at an angle that grows towards its ends.
    const float bottom = game.ballY + BallSize;
    if (game.ballVY > 0 && lastBottom <= PaddleY && bottom >= PaddleY &&
        game.ballX + BallSize > game.paddleX && game.ballX < game.paddleX + PaddleWidth) {
        const float offset = (game.ballX + BallSize / 2.0f) - (game.paddleX + PaddleWidth / 2.0f);
        const float reach = (PaddleWidth + BallSize) / 2.0f;
        game.ballY = PaddleY - BallSize;
        SpeedUp(game, PaddleSpeedUp);
        Launch(game, MaxAngle * Clamp(offset / reach, -1, 1));
        OnGameEvent(Event::Paddle, game.ballX, game.ballY, NoBrick);
    }

    if (game.ballY > FieldBottom) {
        OnGameEvent(Event::Lost, game.ballX, FieldBottom, NoBrick);
        game.lives -= 1;
        EnterPhase(game, game.lives > 0 ? Phase::Serve : Phase::GameOver);
    } else if (BricksLeft(game) == 0) {
        OnGameEvent(Event::Cleared, game.ballX, game.ballY, NoBrick);
        EnterPhase(game, Phase::LevelClear);
    }
}

// Where the ball's centre will cross the paddle's top, walls included; from a ball going down.
float LandingX(const Game& game)
{
    const float time = (PaddleY - BallSize - game.ballY) / game.ballVY;
    const float span = FieldRight - FieldLeft - BallSize;
    float x = std::fmod(game.ballX + game.ballVX * time - FieldLeft, 2 * span);
    if (x < 0)
        x += 2 * span;
    if (x > span)
        x = 2 * span - x;
    return FieldLeft + x + BallSize / 2.0f;
}

}  // namespace

void NewGame(Game& game)
{
    game.level = 1;
    game.lives = StartLives;
    game.score = 0;
    game.paddleX = (FieldLeft + FieldRight - PaddleWidth) / 2.0f;
    StartLevel(game);
}

int BricksLeft(const Game& game)
{
    int count = 0;
    for (const auto& row : game.bricks)
        for (Tile brick : row)
            count += brick != NoBrick;
    return count;
}

void StepGame(Game& game, const Controls& controls)
{
    ++game.phaseTime;
    MovePaddle(game, controls);
    switch (game.phase) {
    case Phase::Serve:
        // The ball waits on the paddle's middle until it is served, a little to one side.
        game.ballX = game.paddleX + (PaddleWidth - BallSize) / 2.0f;
        game.ballY = PaddleY - BallSize;
        if (controls.launch)
            Launch(game, RandomRangeReal(0.2, 0.5) * (RandomRange(0, 2) ? 1 : -1));
        break;
    case Phase::Play:
        MoveBall(game);
        break;
    case Phase::LevelClear:
        if (game.phaseTime >= ClearedTime) {
            game.level += 1;
            StartLevel(game);
        }
        break;
    case Phase::GameOver:
        if (controls.launch)
            NewGame(game);
        break;
    }
    if (game.score > game.highScore)
        game.highScore = game.score;
}

Controls AttractControls(Game& game)
{
    Controls controls;
    controls.steer = true;
    controls.targetX = game.ballX + BallSize / 2.0f;
    if (game.phase == Phase::Serve) {
        controls.targetX = (FieldLeft + FieldRight) / 2.0f;
        controls.launch = game.phaseTime >= AttractServeTime;
    } else if (game.phase == Phase::GameOver) {
        controls.launch = game.phaseTime >= AttractRestartTime;
    } else if (game.phase == Phase::Play && game.ballVY > 0) {
        // Once per descent it picks the spot of the paddle to meet the ball with: now and then
        // a spot just off the paddle, so that the ball is lost.
        if (!game.aimChosen) {
            const bool miss = RandomRange(0, 16) == 0;
            const float side = RandomRange(0, 2) ? 1.0f : -1.0f;
            game.aim = miss ? side * (PaddleWidth + BallSize + 8) / 2.0f
                            : static_cast<float>(RandomRange(-38, 39));
            game.aimChosen = true;
        }
        controls.targetX = LandingX(game) - game.aim;
    }
    if (game.ballVY < 0)
        game.aimChosen = false;
    return controls;
}
