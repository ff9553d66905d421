// sdl_hints.h -- the SDL settings the layer relies on, made once before SDL starts anything
#pragma once

// Sets every SDL hint the layer uses. Called by each backend before it starts its SDL subsystem:
// SDL's hint list is not guarded against its own threads (the audio thread reads hints as it
// starts), so no hint is set once a subsystem, and with it a thread, may be running.
void sdl_hints_once();
