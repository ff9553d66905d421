// buffers.h -- what dsound.cpp's secondary buffers and primary.cpp's primary buffer share
#pragma once

#include <cstdint>

#include "dsound.h"

// The flags a primary buffer may be created with: its volume control and the focus flags.
constexpr DWORD DsoundPrimaryCaps = DSBCAPS_PRIMARYBUFFER | DSBCAPS_LOCSOFTWARE |
                                    DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS;

// The primary buffer of a device, created with these flags. It keeps a reference on the device
// that the caller has added, gives it back with its last release, and clears *handedOut then, so
// that the device stops handing it out.
IDirectSoundBuffer* dsound_new_primary(IDirectSound* device, DWORD flags,
                                       IDirectSoundBuffer** handedOut);

// GetCaps: the platform's checks of the record, then the flags and length.
HRESULT dsound_fill_caps(LPDSBCAPS caps, DWORD flags, DWORD bytes);
// GetFormat: the size needed when format is null, else a copy of the record (recordBytes long)
// if size allows; a size too small copies what fits and refuses.
HRESULT dsound_fill_format(const uint8_t* record, DWORD recordBytes, LPWAVEFORMATEX format,
                           DWORD size, LPDWORD written);
