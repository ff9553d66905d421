// app_input_test.cpp -- mouse and characters reaching InputState through real SDL events and the
// window procedure, and the hit tests that read it

#include <gtest/gtest.h>

#include "input_support.h"

TEST(InputState, MouseMessagesStoreThePointOfTheLastMove)
{
    OpenGameWindow();
    layer_set_time(10000);
    PushMouseButton(SDL_BUTTON_LEFT, true, 50, 60);
    TakeMessages();
    EXPECT_TRUE(InputState.LeftButton);
    EXPECT_EQ(InputState.LeftDownX, 0) << "a press before any move stores (0, 0)";
    EXPECT_EQ(InputState.LeftDownY, 0);

    PushMouseMotion(700, 500);
    PushMouseButton(SDL_BUTTON_LEFT, false, 701, 501);
    PushMouseButton(SDL_BUTTON_RIGHT, true, 702, 502);
    PushMouseButton(SDL_BUTTON_RIGHT, false, 702, 502);
    TakeMessages();
    EXPECT_EQ(InputState.MouseX, 700);
    EXPECT_EQ(InputState.MouseY, 500);
    EXPECT_FALSE(InputState.LeftButton);
    EXPECT_EQ(InputState.LeftUpX, 700) << "not the position the release carries";
    EXPECT_EQ(InputState.LeftUpY, 500);
    EXPECT_FALSE(InputState.RightButton);
    EXPECT_EQ(InputState.RightDownX, 700);
    EXPECT_EQ(InputState.RightUpY, 500);
    EXPECT_EQ(InputState.LeftDownX, 0) << "other points stay until consumed";

    // A second quick left click a pixel away is a double click: down, up, double click, up.
    layer_advance_time(1000);
    PushMouseMotion(20, 30);
    PushMouseButton(SDL_BUTTON_LEFT, true, 20, 30);
    PushMouseButton(SDL_BUTTON_LEFT, false, 20, 30);
    TakeMessages();
    EXPECT_FALSE(InputState.LeftDoubleClick);
    layer_advance_time(200);
    PushMouseMotion(21, 31);
    PushMouseButton(SDL_BUTTON_LEFT, true, 21, 31);
    PushMouseButton(SDL_BUTTON_LEFT, false, 21, 31);
    TakeMessages();
    EXPECT_TRUE(InputState.LeftDoubleClick);
    EXPECT_FALSE(InputState.LeftButton);
    EXPECT_EQ(InputState.LeftDownX, 21);
    EXPECT_EQ(InputState.LeftDownY, 31);
    EXPECT_FALSE(InputState.RightDoubleClick);
}

TEST(InputState, TypedCharacterArrivesInWindows1251WithItsKeyParameters)
{
    OpenGameWindow();
    PushKey(SDL_SCANCODE_SEMICOLON, true);
    PushText("\xD0\xB6");  // Cyrillic zhe, typed on the Russian layout
    PushKey(SDL_SCANCODE_SEMICOLON, false);
    TakeMessages();
    EXPECT_TRUE(InputState.CharReady);
    EXPECT_EQ(InputState.CharCode, 0xE6u);
    EXPECT_EQ(InputState.CharParam, 0x00270001u) << "repeat count 1, scan code 0x27";
}

TEST(HitTests, AnswerWithBothEdgesInsideAndConsumeClickPoints)
{
    struct Row {
        const char* name;
        bool (*test)(int32_t, int32_t, int32_t, int32_t);
        int32_t* px;
        int32_t* py;
        int32_t storedX, storedY;
        int32_t x, y, width, height;
        bool hit;
    };
    InputRecord& s = InputState;
    const Row rows[] = {
        {"nothing stored", LeftDownInRect, &s.LeftDownX, &s.LeftDownY, -1, -1, 0, 0, 100, 100, false},
        {"stored press", LeftDownInRect, &s.LeftDownX, &s.LeftDownY, 5, 5, 0, 0, 100, 100, true},
        {"right and bottom edges", LeftUpInRect, &s.LeftUpX, &s.LeftUpY, 110, 220, 10, 20, 100, 200, true},
        {"one past the right edge", LeftUpInRect, &s.LeftUpX, &s.LeftUpY, 111, 220, 10, 20, 100, 200, false},
        {"one above the top", RightDownInRect, &s.RightDownX, &s.RightDownY, 10, 19, 10, 20, 100, 200, false},
        {"top left corner", RightUpInRect, &s.RightUpX, &s.RightUpY, 10, 20, 10, 20, 0, 0, true},
        {"over -1, -1 with nothing stored", RightUpInRect, &s.RightUpX, &s.RightUpY, -1, -1, -10, -10, 20, 20, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        *row.px = row.storedX;
        *row.py = row.storedY;
        EXPECT_EQ(row.test(row.x, row.y, row.width, row.height), row.hit);
        EXPECT_EQ(*row.px, row.hit ? -1 : row.storedX) << "a hit consumes the point";
        EXPECT_EQ(*row.py, row.hit ? -1 : row.storedY);
        // Answered once, unless the rectangle holds the (-1, -1) of an empty point.
        EXPECT_EQ(row.test(row.x, row.y, row.width, row.height), row.hit && row.storedX == -1);
    }
    s.MouseX = 30;
    s.MouseY = 40;
    EXPECT_TRUE(MouseInRect(0, 0, 30, 40));
    EXPECT_TRUE(MouseInRect(30, 40, 0, 0)) << "the mouse is not consumed";
    EXPECT_FALSE(MouseInRect(31, 0, 100, 100));
}
