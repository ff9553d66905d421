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
