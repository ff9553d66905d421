// voices.cpp -- several voices of one sound: duplicates of a slot's buffer played side by side,
// each with its own volume, pan and frequency, and the master volume of voices and music
//
// Each slot has up to VoicesPerSound duplicates of its buffer, made as they are first needed. A
// duplicate shares the slot's samples, so a voice costs no memory for them. The slot's own buffer
// stays the classic routines' to play; voices never touch it.

#include "sound.h"

#include <atomic>

namespace {

// The voices of one slot: the buffer they were duplicated from, and per voice its duplicate, the
// generation that makes its handles unique, when it started, and its own volume.
struct VoiceSet {
    IDirectSoundBuffer* pSource = nullptr;
    IDirectSoundBuffer* pBuffer[VoicesPerSound] = {};
    uint32_t generation[VoicesPerSound] = {};
    uint64_t startedAt[VoicesPerSound] = {};
    int32_t volume[VoicesPerSound] = {};
};

VoiceSet SoundVoices[SoundSlotCount];  // by slot
uint64_t VoiceStarts = 0;              // voices started so far: orders them by age

// Read by the music's feeder thread as well as the game's.
std::atomic<int32_t> MasterVolume{0};  // hundredths of a decibel, -10000 ... 0

// A handle: generation (20 bits, never 0), slot (9 bits), voice (3 bits).
constexpr int VoiceBits = 3;
constexpr int SlotBits = 9;
constexpr uint32_t GenerationLimit = 1u << (32 - VoiceBits - SlotBits);
static_assert(VoicesPerSound <= (1 << VoiceBits) && SoundSlotCount <= (1 << SlotBits),
              "voice handles hold every slot and voice");

VoiceHandle MakeHandle(int32_t slot, int voice, uint32_t generation)
{
    return (generation << (VoiceBits + SlotBits)) | (static_cast<uint32_t>(slot) << VoiceBits) |
           static_cast<uint32_t>(voice);
}

// The buffer of the voice a handle names, with where it lives; null for a stale handle.
IDirectSoundBuffer* VoiceBuffer(VoiceHandle handle, int32_t* slotOut = nullptr,
                                int* voiceOut = nullptr)
{
    const int voice = static_cast<int>(handle & ((1u << VoiceBits) - 1));
    const int32_t slot = static_cast<int32_t>((handle >> VoiceBits) & ((1u << SlotBits) - 1));
    const uint32_t generation = handle >> (VoiceBits + SlotBits);
    if (handle == NoVoice || slot >= SoundSlotCount || voice >= VoicesPerSound)
        return nullptr;
    const VoiceSet& set = SoundVoices[slot];
    if (set.generation[voice] != generation || !set.pBuffer[voice])
        return nullptr;
    if (slotOut)
        *slotOut = slot;
    if (voiceOut)
        *voiceOut = voice;
    return set.pBuffer[voice];
}

bool BufferPlaying(IDirectSoundBuffer* buffer)
{
    DWORD status = 0;
    return buffer->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING);
}

// The voice to start next: a silent one, else the oldest.
int PickVoice(const VoiceSet& set)
{
    int oldest = 0;
    for (int i = 0; i < VoicesPerSound; ++i) {
        if (!set.pBuffer[i] || !BufferPlaying(set.pBuffer[i]))
            return i;
        if (set.startedAt[i] < set.startedAt[oldest])
            oldest = i;
    }
    return oldest;
}

}  // namespace

VoiceHandle PlaySoundVoice(int32_t pan, int32_t volume, uint32_t frequency, int32_t slot)
{
    if (slot < 0 || slot >= SoundSlotCount || !SoundBuffer[slot] || !pDirectSound)
        return NoVoice;
    VoiceSet& set = SoundVoices[slot];
    if (set.pSource != SoundBuffer[slot]) {
        ReleaseSoundVoices(slot);  // a buffer of a sound loaded before
        set.pSource = SoundBuffer[slot];
    }
    const int voice = PickVoice(set);
    IDirectSoundBuffer*& pBuffer = set.pBuffer[voice];
    if (pBuffer) {
        pBuffer->Stop();
        pBuffer->SetCurrentPosition(0);
    } else if (pDirectSound->DuplicateSoundBuffer(set.pSource, &pBuffer) != DS_OK) {
        pBuffer = nullptr;
        return NoVoice;
    }
    // A duplicate starts with whatever its original last had: set everything before it plays.
    if (pBuffer->SetVolume(MasteredVolume(volume)) != DS_OK || pBuffer->SetPan(pan) != DS_OK ||
        pBuffer->SetFrequency(frequency) != DS_OK || pBuffer->Play(0, 0, 0) != DS_OK)
        return NoVoice;
    set.generation[voice] = set.generation[voice] % (GenerationLimit - 1) + 1;
    set.startedAt[voice] = ++VoiceStarts;
    set.volume[voice] = volume;
    return MakeHandle(slot, voice, set.generation[voice]);
}

void StopVoice(VoiceHandle voice)
{
    if (IDirectSoundBuffer* buffer = VoiceBuffer(voice))
        buffer->Stop();
}

void SetVoiceLooping(VoiceHandle voice, bool looping)
{
    // Play on a playing buffer only changes its flags; a voice that has ended stays ended.
    IDirectSoundBuffer* buffer = VoiceBuffer(voice);
    if (buffer && BufferPlaying(buffer))
        buffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0);
}

void SetVoiceVolume(VoiceHandle voice, int32_t volume)
{
    int32_t slot = 0;
    int index = 0;
    if (IDirectSoundBuffer* buffer = VoiceBuffer(voice, &slot, &index))
        if (buffer->SetVolume(MasteredVolume(volume)) == DS_OK)
            SoundVoices[slot].volume[index] = volume;
}

void SetVoicePan(VoiceHandle voice, int32_t pan)
{
    if (IDirectSoundBuffer* buffer = VoiceBuffer(voice))
        buffer->SetPan(pan);
}

void SetVoiceFrequency(VoiceHandle voice, uint32_t frequency)
{
    if (IDirectSoundBuffer* buffer = VoiceBuffer(voice))
        buffer->SetFrequency(frequency);
}

bool IsVoicePlaying(VoiceHandle voice)
{
    IDirectSoundBuffer* buffer = VoiceBuffer(voice);
    return buffer && BufferPlaying(buffer);
}

void ReleaseSoundVoices(int32_t slot)
{
    if (slot < 0 || slot >= SoundSlotCount)
        return;
    VoiceSet& set = SoundVoices[slot];
    for (IDirectSoundBuffer*& pBuffer : set.pBuffer)
        if (pBuffer) { pBuffer->Stop(); pBuffer->Release(); pBuffer = nullptr; }
    set.pSource = nullptr;
}

void UnloadSound(int32_t slot)
{
    if (slot < 0 || slot >= SoundSlotCount)
        return;
    ReleaseSoundVoices(slot);
    if (SoundBuffer[slot]) { SoundBuffer[slot]->Release(); SoundBuffer[slot] = nullptr; }
}

void SetMasterVolume(int32_t volume)
{
    MasterVolume = volume < DSBVOLUME_MIN ? DSBVOLUME_MIN : volume > 0 ? 0 : volume;
    for (const VoiceSet& set : SoundVoices)
        for (int i = 0; i < VoicesPerSound; ++i)
            if (set.pBuffer[i])
                set.pBuffer[i]->SetVolume(MasteredVolume(set.volume[i]));
    UpdateMusicVolume();
}

int32_t GetMasterVolume() { return MasterVolume; }

int32_t MasteredVolume(int32_t volume)
{
    const int32_t sum = volume + MasterVolume;
    return sum < DSBVOLUME_MIN ? DSBVOLUME_MIN : sum > DSBVOLUME_MAX ? DSBVOLUME_MAX : sum;
}
