// soundtable.cpp -- the sound device and the table of sound slots: loading WAV files into static
// buffers, playing, stopping and retuning them by slot, and teardown of everything sound holds

#include "sound.h"

#include <cstring>
#include <new>

#include "../app/app.h"
#include "soundfile.h"

IDirectSound* pDirectSound = nullptr;
IDirectSoundBuffer* SoundBuffer[SoundSlotCount] = {};
WaveFile* pWave = nullptr;
int32_t NextSoundSlot = 0;

namespace {

// Static buffers in the file's own format, with volume, pan and frequency control.
constexpr DWORD SoundBufferCaps =
    DSBCAPS_STATIC | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;

bool IsSlot(int32_t slot) { return slot >= 0 && slot < SoundSlotCount; }

// The buffer in a slot; null for an empty slot and for a number that is not a slot.
IDirectSoundBuffer* BufferIn(int32_t slot) { return IsSlot(slot) ? SoundBuffer[slot] : nullptr; }

enum class SetFirst { Pan, Volume };

// Plays the slot's sound from its start with the pan, volume and play flags. The two setters run
// in the order given: the two play routines each keep their own, which a failing call can show.
void RestartSound(int32_t slot, int32_t pan, int32_t volume, uint32_t flags, SetFirst first)
{
    IDirectSoundBuffer* buffer = BufferIn(slot);
    if (!buffer)
        return;
    buffer->SetCurrentPosition(0);
    if (first == SetFirst::Pan) {
        buffer->SetPan(pan);
        buffer->SetVolume(volume);
    } else {
        buffer->SetVolume(volume);
        buffer->SetPan(pan);
    }
    buffer->Play(0, 0, flags);
}

}  // namespace

bool InitDirectSound(HWND window)
{
    if (DirectSoundCreate(nullptr, &pDirectSound, nullptr) != DS_OK)
        return false;
    // On failure the device stays for ReleaseSounds to give back.
    return pDirectSound->SetCooperativeLevel(window, DSSCL_PRIORITY) == DS_OK;
}

bool LoadSound(int32_t& slot, const char* fileName)
{
    if (!IsSlot(slot))
        return false;
    delete pWave;  // unmaps the previous load's file
    pWave = new (std::nothrow) WaveFile;
    if (!pWave) {
        AbortProgram(hMainWindow, "pWave");
        return false;
    }
    if (!pWave->Open(fileName)) {
        AbortProgram(hMainWindow, "pWave-Open sounds");
        return false;
    }
    ReleaseSoundVoices(slot);
    if (SoundBuffer[slot]) {
        SoundBuffer[slot]->Release();
        SoundBuffer[slot] = nullptr;
    }

    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = SoundBufferCaps;
    desc.dwBufferBytes = pWave->GetSize();
    // The device only reads the format; the record lies in the read-only mapping of the file.
    desc.lpwfxFormat = const_cast<WAVEFORMATEX*>(pWave->GetFormat());
    if (!pDirectSound ||
        pDirectSound->CreateSoundBuffer(&desc, &SoundBuffer[slot], nullptr) != DS_OK) {
        AbortProgram(hMainWindow, "CreateSoundBuffer");
        return false;
    }

    const uint32_t size = pWave->GetSize();
    pWave->Rewind();
    void* region1 = nullptr;
    DWORD length1 = 0;
    void* region2 = nullptr;
    DWORD length2 = 0;
    if (SoundBuffer[slot]->Lock(0, size, &region1, &length1, &region2, &length2, 0) != DS_OK) {
        AbortProgram(hMainWindow, "SoundBuffer[n]->Lock");
        return false;
    }
    // The buffer is as long as the data, so the whole sound lands in the first region.
    pWave->Read(region1, size);
    SoundBuffer[slot]->Unlock(region1, size, nullptr, 0);
    return true;
}

int32_t AddSound(const char* fileName)
{
    int32_t slot = NextSoundSlot;
    if (!LoadSound(slot, fileName))
        return -1;
    ++NextSoundSlot;
    return slot;
}

bool LoadSoundFile(int32_t slot, const char* fileName)
{
    const char* name = fileName ? fileName : "(no file name)";
    if (!IsSlot(slot)) {
        SetEngineError("%s: slot %d is not one of 0 to %d", name, slot, SoundSlotCount - 1);
        return false;
    }
    if (!pDirectSound) {
        SetEngineError("%s: the sound device is not set up (InitDirectSound)", name);
        return false;
    }
    SoundData sound;
    if (!ReadSoundFile(fileName, sound))
        return false;

    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = SoundBufferCaps;
    desc.dwBufferBytes = static_cast<DWORD>(sound.Samples.size());
    desc.lpwfxFormat = &sound.Format.Format;  // the extensible part follows it in SoundFormat
    IDirectSoundBuffer* buffer = nullptr;
    const HRESULT created = pDirectSound->CreateSoundBuffer(&desc, &buffer, nullptr);
    if (created != DS_OK) {
        SetEngineError("%s: the sound device refused a buffer of its format (error 0x%08lX)", name,
                       static_cast<unsigned long>(created));
        return false;
    }
    void* region1 = nullptr;
    DWORD length1 = 0;
    void* region2 = nullptr;
    DWORD length2 = 0;
    if (buffer->Lock(0, desc.dwBufferBytes, &region1, &length1, &region2, &length2, 0) != DS_OK) {
        buffer->Release();
        SetEngineError("%s: the sound buffer could not be locked", name);
        return false;
    }
    // The buffer is as long as the samples, so they all land in the first region.
    memcpy(region1, sound.Samples.data(), length1 < desc.dwBufferBytes ? length1 : desc.dwBufferBytes);
    buffer->Unlock(region1, length1, region2, length2);

    ReleaseSoundVoices(slot);
    if (SoundBuffer[slot])
        SoundBuffer[slot]->Release();
    SoundBuffer[slot] = buffer;
    return true;
}

int32_t AddSoundFile(const char* fileName)
{
    if (NextSoundSlot < 0 || NextSoundSlot >= SoundSlotCount) {
        SetEngineError("%s: all %d sound slots are taken", fileName ? fileName : "(no file name)",
                       SoundSlotCount);
        return -1;
    }
    const int32_t slot = NextSoundSlot;
    if (!LoadSoundFile(slot, fileName))
        return -1;
    ++NextSoundSlot;
    return slot;
}

void StopSound(int32_t slot)
{
    if (IDirectSoundBuffer* buffer = BufferIn(slot))
        buffer->Stop();
}

void SetSoundFrequency(int32_t slot, uint32_t frequency)
{
    if (IDirectSoundBuffer* buffer = BufferIn(slot))
        buffer->SetFrequency(frequency);
}

bool IsSoundPlaying(int32_t slot)
{
    IDirectSoundBuffer* buffer = BufferIn(slot);
    if (!buffer)
        return false;
    DWORD status = 0;  // a failed query answers "not playing"
    buffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}

void PlaySoundFlags(int32_t pan, int32_t volume, uint32_t flags, int32_t slot)
{
    RestartSound(slot, pan, volume, flags, SetFirst::Pan);
}

void PlaySoundOnce(int32_t pan, int32_t volume, int32_t slot)
{
    RestartSound(slot, pan, volume, 0, SetFirst::Volume);
}

// Gives back the music, the voices, the reader, the sound buffers and the device; safe to call
// again.
void ReleaseSounds()
{
    StopMusic();
    for (int32_t slot = 0; slot < SoundSlotCount; ++slot)
        ReleaseSoundVoices(slot);
    delete pWave;
    pWave = nullptr;
    for (auto& pBuffer : SoundBuffer)
        if (pBuffer) { pBuffer->Release(); pBuffer = nullptr; }
    if (pDirectSound) { pDirectSound->Release(); pDirectSound = nullptr; }
}
