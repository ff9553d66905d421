// music.cpp -- streamed music: one piece at a time, read from its file into one looping buffer
// by a thread of its own, with pause, loops, volume and fades
//
// The buffer holds four seconds. The thread wakes every 100 ms (or when the game asks something of
// it), sees how far the play cursor has come, writes silence over what was just played, and
// keeps the next AheadMilliseconds of the piece written in front of the cursor. So if the thread
// is ever held up, the cursor runs out of music into silence, never into music heard before
// (unless the hold-up outlasts the whole buffer). Loops are joined in the buffer itself, frame after frame, so the join is sample-exact.
// Everything the thread and the game share is held under one critical section. Never touches the
// slot table.

#include "sound.h"

#include <cmath>
#include <cstring>

#include "../app/app.h"
#include "soundfile.h"

namespace {

// The thread keeps AheadMilliseconds of music written in front of the play cursor, so it may be
// held up (a loaded machine, a page fault on the file) for that long without a gap; the rest of
// the buffer is silence, which a longer hold-up plays.
constexpr DWORD BufferMilliseconds = 4000;
constexpr DWORD AheadMilliseconds = 750;
// Milliseconds between the thread's feeds: each wake costs a switch of threads, far more than
// the copying, so the thread wakes seldom and keeps AheadMilliseconds written.
constexpr DWORD FeedPeriod = 100;
constexpr DWORD FadePeriod = 10;          // ... while a fade runs
constexpr size_t ChunkFrames = 4096;      // frames written per lock
constexpr int SpanCount = 64;
constexpr double SilentGain = 1e-5;       // -100 dB

// Where a run of consecutive frames of the file starts in the stream of bytes written.
struct Span {
    uint64_t start;  // bytes written before it
    uint64_t frame;  // its first frame in the file
};

struct MusicState {
    CRITICAL_SECTION lock{};
    bool lockReady = false;  // set and cleared by the game's thread only
    HANDLE hThread = nullptr;
    HANDLE hWake = nullptr;  // auto-reset: wakes the thread at once
    bool quit = false;

    SoundStream* pStream = nullptr;
    IDirectSoundBuffer* pBuffer = nullptr;
    DWORD blockAlign = 0;
    DWORD bufferBytes = 0;
    DWORD aheadBytes = 0;
    uint8_t silence = 0;
    uint64_t length = 0;  // frames
    uint32_t rate = 0;

    bool looping = false;
    uint64_t loopStart = 0;
    uint64_t nextFrame = 0;     // the next frame of the file to read
    bool ended = false;         // the file has given its last frame
    uint64_t dataEnd = 0;       // bytes written when it did

    DWORD lastPlay = 0;         // play cursor at the last feed
    uint64_t played = 0;        // bytes the play cursor has passed since the piece started
    uint64_t written = 0;       // bytes written since the piece started
    Span spans[SpanCount] = {};
    int spanLast = -1;          // newest span; the ring holds up to SpanCount
    int spanTotal = 0;

    bool paused = false;
    bool playing = false;

    int32_t volume = 0;         // the music's own, hundredths of a decibel
    double fadeGain = 1.0;      // linear, 0 ... 1
    bool fading = false;
    bool fadeStops = false;
    DWORD fadeStart = 0;
    DWORD fadeLength = 0;
    double fadeFrom = 1.0;
    double fadeTo = 1.0;
    int32_t applied = 1;        // the buffer's volume as last set; 1: not yet set
};

MusicState Music;

// The critical section of the music, taken for as long as it lives in a scope.
class MusicLock {
public:
    MusicLock() { EnterCriticalSection(&Music.lock); }
    ~MusicLock() { LeaveCriticalSection(&Music.lock); }
    MusicLock(const MusicLock&) = delete;
    MusicLock& operator=(const MusicLock&) = delete;
};

void AddSpan(uint64_t frame)
{
    if (Music.spanTotal > 0) {
        const Span& last = Music.spans[Music.spanLast];
        if (last.frame + (Music.written - last.start) / Music.blockAlign == frame)
            return;  // it goes on the run before
    }
    Music.spanLast = (Music.spanLast + 1) % SpanCount;
    Music.spans[Music.spanLast] = {Music.written, frame};
    if (Music.spanTotal < SpanCount)
        ++Music.spanTotal;
}

// Fills bytes of the buffer with the next frames of the piece, going back to the loop point at
// its end, and silence once it has ended.
void FillRegion(uint8_t* bytes, DWORD size)
{
    size_t frames = size / Music.blockAlign;
    bool emptyRead = false;  // a loop that yields nothing twice in a row ends the piece
    while (frames > 0 && !Music.ended) {
        uint64_t left = Music.length > Music.nextFrame ? Music.length - Music.nextFrame : 0;
        size_t want = frames;
        if (left > 0 && left < want)
            want = static_cast<size_t>(left);
        const size_t got = left > 0 ? ReadSoundStream(Music.pStream, bytes, want) : 0;
        if (got > 0) {
            AddSpan(Music.nextFrame);
            Music.nextFrame += got;
            Music.written += got * Music.blockAlign;
            bytes += got * Music.blockAlign;
            frames -= got;
            emptyRead = false;
            continue;
        }
        if (Music.looping && !emptyRead && Music.loopStart < Music.length &&
            SeekSoundStream(Music.pStream, Music.loopStart)) {
            Music.nextFrame = Music.loopStart;
            emptyRead = true;
            continue;
        }
        Music.ended = true;
        Music.dataEnd = Music.written;
    }
    if (frames > 0) {
        AddSpan(Music.length);  // heard as the end of the piece
        memset(bytes, Music.silence, frames * Music.blockAlign);
        Music.written += frames * Music.blockAlign;
    }
}

// Writes silence over bytes of the buffer from an offset, both regions of a wrap.
void Silence(DWORD offset, DWORD size)
{
    void* region1 = nullptr;
    void* region2 = nullptr;
    DWORD length1 = 0;
    DWORD length2 = 0;
    if (size == 0 ||
        Music.pBuffer->Lock(offset, size, &region1, &length1, &region2, &length2, 0) != DS_OK)
        return;
    memset(region1, Music.silence, length1);
    if (region2)
        memset(region2, Music.silence, length2);
    Music.pBuffer->Unlock(region1, length1, region2, length2);
}

// Writes the piece up to AheadMilliseconds past the play cursor.
void FillAhead()
{
    const uint64_t target = Music.played + Music.aheadBytes;
    while (Music.written < target) {
        const uint64_t chunk = ChunkFrames * Music.blockAlign;
        const DWORD size = static_cast<DWORD>(target - Music.written < chunk ? target - Music.written
                                                                             : chunk);
        const DWORD offset = static_cast<DWORD>(Music.written % Music.bufferBytes);
        void* region1 = nullptr;
        void* region2 = nullptr;
        DWORD length1 = 0;
        DWORD length2 = 0;
        if (Music.pBuffer->Lock(offset, size, &region1, &length1, &region2, &length2, 0) != DS_OK)
            return;
        FillRegion(static_cast<uint8_t*>(region1), length1);
        if (region2)
            FillRegion(static_cast<uint8_t*>(region2), length2);
        Music.pBuffer->Unlock(region1, length1, region2, length2);
    }
}

// The fade's gain now, on timeGetTime's clock; ends the fade when its time is up.
void AdvanceFade()
{
    if (!Music.fading)
        return;
    const DWORD elapsed = timeGetTime() - Music.fadeStart;
    if (elapsed >= Music.fadeLength) {
        Music.fadeGain = Music.fadeTo;
        Music.fading = false;
        if (Music.fadeStops) {
            Music.pBuffer->Stop();
            Music.playing = false;
            Music.paused = true;
        }
        return;
    }
    const double part = static_cast<double>(elapsed) / Music.fadeLength;
    Music.fadeGain = Music.fadeFrom + (Music.fadeTo - Music.fadeFrom) * part;
}

void ApplyVolume()
{
    int32_t volume = DSBVOLUME_MIN;
    if (Music.fadeGain > SilentGain)
        volume = Music.volume + static_cast<int32_t>(std::lround(2000.0 * std::log10(Music.fadeGain)));
    volume = MasteredVolume(volume);
    if (volume != Music.applied && Music.pBuffer->SetVolume(volume) == DS_OK)
        Music.applied = volume;
}

// The frame of the file written at a count of bytes written; the length for silence after the
// end.
uint64_t FrameWrittenAt(uint64_t bytes)
{
    if (Music.spanTotal == 0)
        return 0;
    // The newest run that started at or before it.
    int index = Music.spanLast;
    for (int i = 0; i < Music.spanTotal; ++i) {
        index = (Music.spanLast - i + SpanCount) % SpanCount;
        if (Music.spans[index].start <= bytes)
            break;
    }
    const Span& span = Music.spans[index];
    const uint64_t past = bytes > span.start ? (bytes - span.start) / Music.blockAlign : 0;
    const uint64_t frame = span.frame + past;
    return frame < Music.length ? frame : Music.length;
}

// Follows the play cursor: silences what was just played. False when the cursor cannot be had.
bool FollowCursor(DWORD* write)
{
    DWORD play = 0;
    if (Music.pBuffer->GetCurrentPosition(&play, write) != DS_OK)
        return false;
    const DWORD moved = (play + Music.bufferBytes - Music.lastPlay) % Music.bufferBytes;
    Silence(Music.lastPlay, moved);
    Music.lastPlay = play;
    Music.played += moved;
    if (Music.played > Music.written) {
        // The cursor ran past the music into silence: go on from where it is now.
        Music.written = Music.played;
    }
    return true;
}

// One feed, under the lock.
void FeedLocked()
{
    if (!Music.pBuffer || !FollowCursor(nullptr))
        return;
    if (Music.ended && Music.played >= Music.dataEnd && Music.playing) {
        Music.pBuffer->Stop();
        Music.playing = false;
    }
    FillAhead();
    AdvanceFade();
    ApplyVolume();
}

// Writes again what lies ahead of the write cursor, after a change of the loop: the part already
// written may have been read with the loop as it was.
void RewriteAhead()
{
    DWORD write = 0;
    if (!Music.pBuffer || !FollowCursor(&write))
        return;
    // The bytes from the play cursor to the write cursor are the output's already; keep them.
    const uint64_t keep = Music.played + (write + Music.bufferBytes - Music.lastPlay) % Music.bufferBytes;
    if (keep >= Music.written)
        return;
    uint64_t frame = FrameWrittenAt(keep);
    if (frame >= Music.length) {
        if (!Music.looping)
            return;  // it has ended, and stays ended
        frame = Music.loopStart;
    }
    if (!SeekSoundStream(Music.pStream, frame))
        return;
    Music.nextFrame = frame;
    Music.ended = false;
    Music.written = keep;
    // Runs that start from here on were written with the old loop: drop them.
    while (Music.spanTotal > 1 && Music.spans[Music.spanLast].start >= keep) {
        Music.spanLast = (Music.spanLast - 1 + SpanCount) % SpanCount;
        --Music.spanTotal;
    }
    FillAhead();
}

DWORD WINAPI MusicThread(LPVOID)
{
    for (;;) {
        DWORD period = FeedPeriod;
        {
            MusicLock hold;
            if (Music.quit)
                return 0;
            FeedLocked();
            if (Music.fading)
                period = FadePeriod;
        }
        WaitForSingleObject(Music.hWake, period);
    }
}

void Wake()
{
    if (Music.hWake)
        SetEvent(Music.hWake);
}

void StartFade(double to, uint32_t milliseconds, bool stops)
{
    Music.fadeFrom = Music.fadeGain;
    Music.fadeTo = to;
    Music.fadeStart = timeGetTime();
    Music.fadeLength = milliseconds;
    Music.fadeStops = stops;
    Music.fading = true;
    AdvanceFade();
    ApplyVolume();
}

}  // namespace

bool PlayMusic(const char* fileName, bool looping)
{
    StopMusic();
    if (!fileName)
        fileName = "(null)";
    if (!pDirectSound) {
        SetEngineError("%s: no sound device to play it on", fileName);
        return false;
    }
    SoundStream* stream = OpenSoundStream(fileName);
    if (!stream)
        return false;  // the reader has said why
    const WAVEFORMATEX* format = SoundStreamFormat(stream);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;
    const uint64_t bytes = uint64_t{format->nSamplesPerSec} * format->nBlockAlign *
                           BufferMilliseconds / 1000;
    desc.dwBufferBytes = bytes > DSBSIZE_MAX ? DSBSIZE_MAX : static_cast<DWORD>(bytes);
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(format);
    IDirectSoundBuffer* buffer = nullptr;
    DSBCAPS caps{};
    caps.dwSize = sizeof(caps);
    if (pDirectSound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK ||
        buffer->GetCaps(&caps) != DS_OK) {
        if (buffer)
            buffer->Release();
        CloseSoundStream(stream);
        SetEngineError("%s: the sound device cannot play its format", fileName);
        return false;
    }

    Music = MusicState{};
    Music.pStream = stream;
    Music.pBuffer = buffer;
    Music.blockAlign = format->nBlockAlign;
    Music.bufferBytes = caps.dwBufferBytes;
    const uint64_t ahead = uint64_t{format->nSamplesPerSec} * AheadMilliseconds / 1000 *
                           format->nBlockAlign;
    Music.aheadBytes = static_cast<DWORD>(ahead < caps.dwBufferBytes / 2 ? ahead
                                                                         : caps.dwBufferBytes / 2);
    Music.silence = format->wBitsPerSample == 8 && format->wFormatTag == WAVE_FORMAT_PCM ? 0x80 : 0;
    Music.length = SoundStreamFrames(stream);
    Music.rate = format->nSamplesPerSec;
    Music.looping = looping;
    FillAhead();
    ApplyVolume();

    // Nothing else runs yet: the thread starts last.
    InitializeCriticalSection(&Music.lock);
    Music.lockReady = true;
    Music.playing = buffer->Play(0, 0, DSBPLAY_LOOPING) == DS_OK;
    Music.hWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (Music.playing && Music.hWake)
        Music.hThread = CreateThread(nullptr, 0, MusicThread, nullptr, 0, nullptr);
    if (!Music.hThread) {
        StopMusic();
        SetEngineError("%s: the music cannot be started", fileName);
        return false;
    }
    return true;
}

void PauseMusic()
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    if (Music.playing) {
        Music.pBuffer->Stop();
        Music.playing = false;
        Music.paused = true;
    }
}

void ResumeMusic()
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    if (!Music.paused)
        return;
    if (!Music.fading && Music.fadeStops) {
        Music.fadeGain = 1.0;  // a piece that faded out comes back at its volume
        Music.fadeStops = false;
        ApplyVolume();
    }
    if (Music.pBuffer->Play(0, 0, DSBPLAY_LOOPING) == DS_OK) {
        Music.paused = false;
        Music.playing = true;
    }
    Wake();
}

void StopMusic()
{
    if (!Music.lockReady) {
        if (Music.pBuffer) { Music.pBuffer->Release(); Music.pBuffer = nullptr; }
        if (Music.pStream) { CloseSoundStream(Music.pStream); Music.pStream = nullptr; }
        return;
    }
    if (Music.hThread) {
        {
            MusicLock hold;
            Music.quit = true;
        }
        Wake();
        WaitForSingleObject(Music.hThread, INFINITE);
        CloseHandle(Music.hThread);
        Music.hThread = nullptr;
    }
    if (Music.hWake) { CloseHandle(Music.hWake); Music.hWake = nullptr; }
    if (Music.pBuffer) { Music.pBuffer->Stop(); Music.pBuffer->Release(); Music.pBuffer = nullptr; }
    if (Music.pStream) { CloseSoundStream(Music.pStream); Music.pStream = nullptr; }
    DeleteCriticalSection(&Music.lock);
    Music.lockReady = false;
    Music.playing = false;
    Music.paused = false;
}

void SetMusicLoop(bool looping, uint64_t loopStart)
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    Music.looping = looping;
    Music.loopStart = loopStart < Music.length ? loopStart : 0;
    RewriteAhead();
}

void SetMusicVolume(int32_t volume)
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    Music.volume = volume < DSBVOLUME_MIN ? DSBVOLUME_MIN : volume > 0 ? 0 : volume;
    ApplyVolume();
}

void FadeMusicIn(uint32_t milliseconds)
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    Music.fadeGain = 0.0;
    StartFade(1.0, milliseconds, false);
    // Silent first, then going on: paused or faded-out music comes back from nothing.
    if (Music.paused && Music.pBuffer->Play(0, 0, DSBPLAY_LOOPING) == DS_OK) {
        Music.paused = false;
        Music.playing = true;
    }
    Wake();
}

void FadeMusicOut(uint32_t milliseconds)
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    if (Music.playing)
        StartFade(0.0, milliseconds, true);
    Wake();
}

uint64_t MusicPosition()
{
    if (!Music.lockReady)
        return 0;
    MusicLock hold;
    return FrameWrittenAt(Music.played);
}

uint64_t MusicLength()
{
    if (!Music.lockReady)
        return 0;
    MusicLock hold;
    return Music.length;
}

uint32_t MusicRate()
{
    if (!Music.lockReady)
        return 0;
    MusicLock hold;
    return Music.rate;
}

bool IsMusicPlaying()
{
    if (!Music.lockReady)
        return false;
    MusicLock hold;
    return Music.playing;
}

void FeedMusic()
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    FeedLocked();
}

void UpdateMusicVolume()
{
    if (!Music.lockReady)
        return;
    MusicLock hold;
    ApplyVolume();
}
