// sdl_audio.h -- the sound output every DirectSound object shares (sdl_audio.cpp)
#pragma once

#include <cstdint>

// Opens the output that every DirectSound object shares (counted: the last close shuts it):
// SDL's default audio device, or a null output that mixes in real time where there is none.
bool sdl_audio_open();
void sdl_audio_close();
// The output's frames per second (0 while closed) and the frames it has mixed since it opened.
uint32_t sdl_audio_rate();
uint64_t sdl_audio_frames_mixed();
