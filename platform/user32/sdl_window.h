// sdl_window.h -- the SDL side of user32's windows (sdl_window.cpp); nothing outside user32
// reaches SDL's video through it
#pragma once

struct SDL_Window;

// Brings SDL's video up once; false (with a note on stderr) when there is no display at all.
bool sdl_video_ready();
SDL_Window* sdl_create_window(const char* titleUtf8, int x, int y, int width, int height,
                              bool borderless);
void sdl_destroy_window(SDL_Window* sdl);
void sdl_show_window(SDL_Window* sdl, bool show);
void sdl_minimize_window(SDL_Window* sdl, bool minimize);
void sdl_window_size(SDL_Window* sdl, int* width, int* height);
void sdl_show_cursor(bool show);
bool sdl_key_down(int virtualKey);
// Takes SDL's pending events and turns them into the platform's messages.
void sdl_pump_events();
