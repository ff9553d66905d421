// sound.h -- sound: the WAV reader and the table of sound buffers played by slot number
#pragma once

#include <cstdint>

#include "../app/platform.h"

constexpr int SoundSlotCount = 400;

// Sequential access to the sample data of a canonical 44-byte-header WAV file, mapped read-only
// as a whole. The format record and the data size come from fixed offsets; no tag is checked.
class WaveFile {
public:
    WaveFile() = default;
    ~WaveFile();
    WaveFile(const WaveFile&) = delete;
    WaveFile& operator=(const WaveFile&) = delete;

    // Maps the file, closing any file held before; false (and closed) when it cannot be mapped
    // or is too short for its header and the data size it gives.
    bool Open(const char* fileName);
    // Unmaps the file; the reader is then empty.
    void Close();
    // Goes back to the first sample byte.
    void Rewind();
    // Copies up to length sample bytes into destination and returns how many came from the file;
    // a read that starts before the end fills the rest of length with silence.
    uint32_t Read(void* destination, uint32_t length);
    // The sample data's length in bytes; 0 while closed.
    uint32_t GetSize() const;
    // The format record inside the mapped file; null while closed. Valid until the file closes.
    const WAVEFORMATEX* GetFormat() const;

private:
    const uint8_t* pView = nullptr;          // the mapped file
    const WAVEFORMATEX* pFormat = nullptr;   // pView + 20
    uint32_t Position = 0;                   // file offset of the next byte to read
    uint32_t DataSize = 0;                   // bytes of sample data from offset 44
};

extern IDirectSound* pDirectSound;                       // the sound device
extern IDirectSoundBuffer* SoundBuffer[SoundSlotCount];  // one static buffer per slot; null: empty
extern WaveFile* pWave;           // the reader of the latest load, its file still mapped
extern int32_t NextSoundSlot;     // the slot AddSound fills next

// Device
bool InitDirectSound(HWND window);
void ReleaseSounds();

// Loading
bool LoadSound(int32_t& slot, const char* fileName);
int32_t AddSound(const char* fileName);

// Playing by slot; an empty slot, or one outside 0 ... SoundSlotCount - 1, does nothing.
void StopSound(int32_t slot);
void SetSoundFrequency(int32_t slot, uint32_t frequency);
bool IsSoundPlaying(int32_t slot);
void PlaySoundFlags(int32_t pan, int32_t volume, uint32_t flags, int32_t slot);
void PlaySoundOnce(int32_t pan, int32_t volume, int32_t slot);

// --- Sounds from any WAV or Ogg Vorbis file, loaded without ending the program -----------------
// These take every file ReadSoundFile accepts (soundfile.h) into the same slots as AddSound, in
// a static buffer of the sound's own format, and play through the slot routines above.

// Loads the file into the given slot, replacing its sound only once the new one is in place;
// false with a reason naming the file (LastEngineError) when it cannot, the slot then unchanged.
bool LoadSoundFile(int32_t slot, const char* fileName);
// Loads the file into the next free slot as AddSound does; the slot, or -1 with a reason naming
// the file (LastEngineError) when it cannot be read or played, or when the slots have run out.
int32_t AddSoundFile(const char* fileName);

// --- Several voices of one sound ---------------------------------------------------------------

// A voice that PlaySoundVoice started; 0 is none. A handle whose voice has ended and been taken
// for a newer one is stale: every routine below ignores it.
using VoiceHandle = uint32_t;
constexpr VoiceHandle NoVoice = 0;
constexpr int VoicesPerSound = 8;  // voices one slot can sound at once

// Plays the sound in a slot as a new voice while earlier voices of it go on sounding, at its own
// pan and volume (hundredths of a decibel, as PlaySoundOnce takes them) and frequency (Hz; 0 is
// the sound's own). When all VoicesPerSound voices are busy the oldest is taken. NoVoice for an
// empty slot or when the device refuses. The voice ends by itself; the handle need not be kept.
VoiceHandle PlaySoundVoice(int32_t pan, int32_t volume, uint32_t frequency, int32_t slot);
// Stops one voice, or repeats it from its end to its start (looping) or not.
void StopVoice(VoiceHandle voice);
void SetVoiceLooping(VoiceHandle voice, bool looping);
// Changes one voice while it sounds: volume, pan (hundredths of a decibel), frequency (Hz, 0 is
// the sound's own).
void SetVoiceVolume(VoiceHandle voice, int32_t volume);
void SetVoicePan(VoiceHandle voice, int32_t pan);
void SetVoiceFrequency(VoiceHandle voice, uint32_t frequency);
// Whether the voice is still sounding; false for NoVoice and stale handles.
bool IsVoicePlaying(VoiceHandle voice);
// Stops and gives back every voice of a slot; loading a new sound into the slot does this.
void ReleaseSoundVoices(int32_t slot);
// Empties a slot: its voices and its buffer are given back; StopSound and the rest then do
// nothing for it. A slot outside 0 ... SoundSlotCount - 1 is ignored.
void UnloadSound(int32_t slot);

// Attenuation (hundredths of a decibel, -10000 ... 0) added to the volume of every voice and of
// the music, before they are mixed; the slot routines keep their own volumes. Starts at 0.
void SetMasterVolume(int32_t volume);
int32_t GetMasterVolume();
// The volume a buffer plays at for a voice or music volume: both attenuations added, held at
// DSBVOLUME_MIN.
int32_t MasteredVolume(int32_t volume);

// --- Music -------------------------------------------------------------------------------------

// One piece at a time, streamed from its file (WAV of any layout, or Ogg Vorbis) through one
// buffer that a thread of its own keeps filled, whatever the game's loop does. Positions and
// lengths are in sample frames of the file.

// Starts a piece from its beginning, replacing the one playing; looping repeats it whole (see
// SetMusicLoop). False when the file cannot be read or played, with LastEngineError() naming it.
bool PlayMusic(const char* fileName, bool looping);
// Stops and keeps the place / goes on from there; nothing without a piece.
void PauseMusic();
void ResumeMusic();
// Stops the piece and closes its file and buffer; safe to call at any time.
void StopMusic();
// Looping or not; a loop goes back to loopStart (a frame before the end, else 0) at the end. The
// join is sample-exact.
void SetMusicLoop(bool looping, uint64_t loopStart);
// The music's own volume (hundredths of a decibel, -10000 ... 0); the master volume adds to it.
void SetMusicVolume(int32_t volume);
// Fades from silence up to the music's volume (going on if it was paused or faded out), or from
// where it is down to silence and then pauses, over the given milliseconds (timeGetTime's clock).
void FadeMusicIn(uint32_t milliseconds);
void FadeMusicOut(uint32_t milliseconds);
// The frame of the file being heard, the file's length in frames, its frames per second (0 without
// a piece), and whether the piece is playing (false when paused, ended or stopped).
uint64_t MusicPosition();
uint64_t MusicLength();
uint32_t MusicRate();
bool IsMusicPlaying();
// Tops the music's buffer up now and applies the volume; the music's own thread does this
// several times a second, so a game never needs to call it.
void FeedMusic();
// Applies a changed master volume to the music; SetMasterVolume calls it.
void UpdateMusicVolume();
