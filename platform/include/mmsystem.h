// mmsystem.h -- winmm as the engine uses it: the millisecond clock, its resolution, and the wave
// format records
#pragma once
#ifdef _WIN32
#error "this is the Linux platform layer's mmsystem.h; on Windows the SDK header answers"
#endif

#include "windef.h"

typedef UINT MMRESULT;

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Milliseconds since the system started, 32 bits, wrapping every 2^32 ms.
DWORD WINAPI timeGetTime();
// Asks for (and gives back) a timer resolution of that many milliseconds, 1 to 65535; each
// timeBeginPeriod is matched by a timeEndPeriod of the same value. TIMERR_NOCANDO out of range.
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);

#define WAVE_FORMAT_PCM 1

// Wave format records are packed to two bytes, as they lie in a WAV file's "fmt " chunk.
#pragma pack(push, 2)

// The part every wave format shares.
typedef struct waveformat_tag {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
} WAVEFORMAT, *PWAVEFORMAT, *LPWAVEFORMAT;

// PCM's format: the shared part and the sample size. Its 16 bytes are all of a PCM "fmt " chunk.
typedef struct pcmwaveformat_tag {
    WAVEFORMAT wf;
    WORD wBitsPerSample;
} PCMWAVEFORMAT, *PPCMWAVEFORMAT, *LPPCMWAVEFORMAT;

// The general format record. cbSize counts extra bytes after it; for PCM it is never read.
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *PWAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

#pragma pack(pop)

static_assert(sizeof(WAVEFORMAT) == 14 && sizeof(PCMWAVEFORMAT) == 16 && sizeof(WAVEFORMATEX) == 18,
              "wave format records are packed as in a WAV file");
