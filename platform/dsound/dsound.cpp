// dsound.cpp -- DirectSound: the device object, and secondary buffers played by the mixer and
// their duplicates
//
// A buffer is plain memory in its own format (PCM of 8, 16, 24, 32 or more bits, 32- or 64-bit
// floating point, any number of channels, any rate, plain or in an extensible record), silent
// when created, written through Lock and Unlock. Playing hands it to the mixer (mixer.cpp) as a
// voice, which folds its channels down to stereo, resamples it to the output and scales it by the
// buffer's volume and pan; the output itself is in sdl_audio.cpp. Every buffer holds a reference
// on its device. Only the first 16 bytes of a PCM or floating-point format record are read, so a
// record lying inside a WAV file is fine whatever follows it. A duplicate shares its original's
// sample memory (the last buffer released frees it) and plays on its own. The play cursor is the
// voice's next frame; the write cursor leads it by 10 ms while playing. The primary buffer is in
// primary.cpp.
// Left out on purpose: writing the primary buffer, its format, 3D, effects, notifications,
// hardware placement, and muting while the window is in the background.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "dsound/sdl_audio.h"
#include "faults.h"
#include "unsupported.h"
#include "user32/window.h"
#include "dsound/buffers.h"
#include "mixer.h"
#include "dsound.h"

namespace {

// The calls here that a test can make fail.
const FaultHook IDirectSoundCreateSoundBufferFault("IDirectSound::CreateSoundBuffer");
const FaultHook IDirectSoundBufferLockFault("IDirectSoundBuffer::Lock");
const FaultHook IDirectSoundSetCooperativeLevelFault("IDirectSound::SetCooperativeLevel");
const FaultHook IDirectSoundBufferGetStatusFault("IDirectSoundBuffer::GetStatus");
const FaultHook IDirectSoundBufferUnlockFault("IDirectSoundBuffer::Unlock");
const FaultHook IDirectSoundBufferPlayFault("IDirectSoundBuffer::Play");
const FaultHook IDirectSoundBufferStopFault("IDirectSoundBuffer::Stop");
const FaultHook IDirectSoundBufferSetCurrentPositionFault("IDirectSoundBuffer::SetCurrentPosition");
const FaultHook IDirectSoundBufferSetFrequencyFault("IDirectSoundBuffer::SetFrequency");
const FaultHook IDirectSoundBufferSetPanFault("IDirectSoundBuffer::SetPan");
const FaultHook IDirectSoundBufferSetVolumeFault("IDirectSoundBuffer::SetVolume");
const FaultHook IDirectSoundDuplicateSoundBufferFault("IDirectSound::DuplicateSoundBuffer");
const FaultHook IDirectSoundBufferGetCurrentPositionFault("IDirectSoundBuffer::GetCurrentPosition");
const FaultHook DirectSoundCreateFault("DirectSoundCreate");

// CreateSoundBuffer takes either description on this build and either on a 32-bit build.
constexpr DWORD BufferDescSize32 = 36;
constexpr DWORD BufferDesc1Size32 = 20;
constexpr WORD WaveFormatIeeeFloat = 3;
constexpr WORD WaveFormatExtensible = 0xFFFE;

// An extensible record: the general record, 22 more bytes, the sample format's GUID last.
constexpr WORD ExtensibleExtraBytes = 22;
constexpr size_t ExtensibleRecordBytes = sizeof(WAVEFORMATEX) + ExtensibleExtraBytes;
constexpr size_t ChannelMaskOffset = 20;
constexpr size_t SubFormatOffset = 24;
// The sample format GUIDs share their last twelve bytes; the first four hold the format tag.
constexpr uint8_t SubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                       0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The speaker positions of plain records, by channel count: mono is the front centre, then
// stereo, left-right-centre, quadraphonic, 5.0, 5.1, 6.1 and 7.1. Channels beyond eight have
// no position.
constexpr uint32_t DefaultSpeakerMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};

// What a buffer's format record says.
struct BufferFormat {
    DWORD rate = 0;
    WORD channels = 0;
    WORD blockAlign = 0;
    WORD bits = 0;
    MixEncoding encoding = MixEncoding::Signed16;
    uint32_t speakerMask = 0;
    uint8_t record[ExtensibleRecordBytes] = {};  // what GetFormat gives back
    DWORD recordBytes = 0;
};

static_assert(sizeof(DSBUFFERDESC) == (sizeof(void*) == 8 ? 40 : 36), "DSBUFFERDESC layout");
static_assert(offsetof(DSBUFFERDESC, lpwfxFormat) == 16, "lpwfxFormat");
static_assert(sizeof(DSBUFFERDESC1) == (sizeof(void*) == 8 ? 24 : 20), "DSBUFFERDESC1 layout");

// Capabilities a software buffer can honour; the placement and focus flags change nothing
// that can be heard or observed here.
constexpr DWORD SupportedCaps = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                                DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS |
                                DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;
// The write cursor leads the play cursor by a hundredth of a second of the buffer's frames.
constexpr DWORD WriteLeadDivisor = 100;


class SoundDevice final : public IDirectSound {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out,
                                                LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override;
    HRESULT STDMETHODCALLTYPE DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                                   LPLPDIRECTSOUNDBUFFER duplicate) override;

    DWORD level = 0;
    IDirectSoundBuffer* primary = nullptr;  // while one is held; a second creation hands it out again

private:
    HRESULT create_primary(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out);

    ~SoundDevice() override { sdl_audio_close(); }
    ULONG references = 1;
};

class SecondaryBuffer final : public IDirectSoundBuffer {
public:
    SecondaryBuffer(SoundDevice* device, DWORD caps, const BufferFormat& format,
                    std::shared_ptr<uint8_t[]> samples, DWORD length);
    // A duplicate: the same samples, format and controls, stopped at the start.
    explicit SecondaryBuffer(const SecondaryBuffer& original);

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override;
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override;
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override;
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                                   LPVOID* audio2, LPDWORD bytes2, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD position) override;
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD frequency) override;
    HRESULT STDMETHODCALLTYPE SetPan(LONG pan) override;
    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2,
                                     DWORD bytes2) override;

private:
    ~SecondaryBuffer() override;
    bool inside(const void* address, DWORD bytes) const;
    void update_gains();
    DWORD write_cursor_locked(DWORD play) const;

    ULONG references = 1;
    SoundDevice* device;
    DWORD caps;
    BufferFormat format;
    std::shared_ptr<uint8_t[]> store;  // shared with duplicates
    uint8_t* memory;
    DWORD length;  // bytes, a whole number of frames
    LONG volume = DSBVOLUME_MAX;
    LONG pan = DSBPAN_CENTER;
    MixVoice voice;  // its play state is shared with the mixer: touch it only under mixer_lock()
};



// --- SoundDevice ------------------------------------------------------------------------------

ULONG SoundDevice::Release()
{
    if (references == 0)
        return 0;
    const ULONG left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT SoundDevice::SetCooperativeLevel(HWND window, DWORD newLevel)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundSetCooperativeLevelFault, &result))
        return result;
    if (newLevel < DSSCL_NORMAL || newLevel > DSSCL_WRITEPRIMARY || !window_is_valid(window))
        return layer_refused(IDirectSoundSetCooperativeLevelFault, DSERR_INVALIDPARAM);
    if (newLevel == DSSCL_WRITEPRIMARY) {
        note_unsupported("IDirectSound::SetCooperativeLevel", "writing the primary buffer");
        return layer_refused(IDirectSoundSetCooperativeLevelFault, DSERR_UNSUPPORTED);
    }
    level = newLevel;
    return DS_OK;
}

// Checks a buffer's format the way the platform does. Plain PCM and floating-point records are
// read for their first 16 bytes only; an extensible record must say it holds its 22 more bytes.
HRESULT check_format(const WAVEFORMATEX* record, BufferFormat* format)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    PCMWAVEFORMAT pcm;
    memcpy(&pcm, bytes, sizeof(pcm));
    WORD tag = pcm.wf.wFormatTag;
    uint32_t mask = 0;
    if (tag == WaveFormatExtensible) {
        WAVEFORMATEX general;
        memcpy(&general, bytes, sizeof(general));
        if (general.cbSize < ExtensibleExtraBytes)
            return DSERR_INVALIDPARAM;
        static_assert(SubFormatOffset + 16 == ExtensibleRecordBytes, "extensible record layout");
        uint32_t subFormat = 0;
        memcpy(&mask, bytes + ChannelMaskOffset, sizeof(mask));
        memcpy(&subFormat, bytes + SubFormatOffset, sizeof(subFormat));
        if (memcmp(bytes + SubFormatOffset + 4, SubFormatTail, sizeof(SubFormatTail)) != 0 ||
            (subFormat != WAVE_FORMAT_PCM && subFormat != WaveFormatIeeeFloat))
            return DSERR_BADFORMAT;
        tag = static_cast<WORD>(subFormat);
    } else if (tag != WAVE_FORMAT_PCM && tag != WaveFormatIeeeFloat) {
        return DSERR_BADFORMAT;
    }
    const WAVEFORMAT& wf = pcm.wf;
    const DWORD bits = pcm.wBitsPerSample;
    if (bits < 8 || bits % 8 != 0 || wf.nChannels == 0 || wf.nSamplesPerSec == 0 ||
        wf.nAvgBytesPerSec == 0 || wf.nBlockAlign != wf.nChannels * bits / 8)
        return DSERR_INVALIDPARAM;
    if (tag == WaveFormatIeeeFloat) {
        if (bits != 32 && bits != 64)
            return DSERR_BADFORMAT;  // floating point comes in single and double precision
        format->encoding = bits == 32 ? MixEncoding::Float32 : MixEncoding::Float64;
    } else {
        format->encoding = bits == 8    ? MixEncoding::Unsigned8
                           : bits == 16 ? MixEncoding::Signed16
                                        : MixEncoding::SignedWide;
    }
    if (pcm.wf.wFormatTag != WaveFormatExtensible)
        mask = DefaultSpeakerMasks[wf.nChannels < 8 ? wf.nChannels : 8];
    format->rate = wf.nSamplesPerSec;
    format->channels = wf.nChannels;
    format->blockAlign = wf.nBlockAlign;
    format->bits = static_cast<WORD>(bits);
    format->speakerMask = mask;
    if (pcm.wf.wFormatTag == WaveFormatExtensible) {
        memcpy(format->record, bytes, ExtensibleRecordBytes);
        format->recordBytes = ExtensibleRecordBytes;
    } else {
        memcpy(format->record, bytes, sizeof(pcm));  // the rest of the record (cbSize) stays 0
        format->recordBytes = sizeof(WAVEFORMATEX);
    }
    return DS_OK;
}

HRESULT SoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out,
                                       LPUNKNOWN outer)
{
    const char* call = "IDirectSound::CreateSoundBuffer";
    if (!out)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    *out = nullptr;
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundCreateSoundBufferFault, &result))
        return result;
    if (outer)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_NOAGGREGATION);
    if (!desc)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    const DWORD size = desc->dwSize;
    if (size != sizeof(DSBUFFERDESC) && size != sizeof(DSBUFFERDESC1) && size != BufferDescSize32 &&
        size != BufferDesc1Size32)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    const DWORD flags = desc->dwFlags;
    if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE))
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    if (flags & DSBCAPS_PRIMARYBUFFER)
        return create_primary(desc, out);
    if (flags & ~SupportedCaps) {
        note_unsupported(call, "a buffer with 3D, effects, notifications or hardware placement");
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_UNSUPPORTED);
    }
    if (!desc->lpwfxFormat)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    BufferFormat format;
    const HRESULT checked = check_format(desc->lpwfxFormat, &format);
    if (checked != DS_OK)
        return checked;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_INVALIDPARAM);
    // A size that is not a whole number of frames is rounded up to one.
    const DWORD align = format.blockAlign;
    const DWORD length = (desc->dwBufferBytes + align - 1) / align * align;
    std::shared_ptr<uint8_t[]> memory(new (std::nothrow) uint8_t[length]);
    if (!memory)
        return layer_refused(IDirectSoundCreateSoundBufferFault, DSERR_OUTOFMEMORY);
    memset(memory.get(), format.encoding == MixEncoding::Unsigned8 ? 0x80 : 0x00, length);
    *out = new SecondaryBuffer(this, flags, format, std::move(memory), length);
    AddRef();
    return DS_OK;
}

HRESULT SoundDevice::create_primary(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out)
{
    // The primary buffer has the output's format and length: neither may be asked for.
    if (desc->lpwfxFormat || desc->dwBufferBytes != 0)
        return DSERR_INVALIDPARAM;
    const DWORD flags = desc->dwFlags;
    if (flags & DSBCAPS_CTRLFREQUENCY)
        return DSERR_INVALIDPARAM;
    if (flags & ~DsoundPrimaryCaps) {
        note_unsupported("IDirectSound::CreateSoundBuffer", "a primary buffer with pan, 3D or effects");
        return DSERR_UNSUPPORTED;
    }
    // A second creation hands out the same object, its first description kept.
    if (primary) {
        primary->AddRef();
        *out = primary;
        return DS_OK;
    }
    primary = dsound_new_primary(this, flags, &primary);
    *out = primary;
    AddRef();
    return DS_OK;
}

HRESULT SoundDevice::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                          LPLPDIRECTSOUNDBUFFER duplicate)
{
    if (!duplicate)
        return DSERR_INVALIDPARAM;
    *duplicate = nullptr;
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundDuplicateSoundBufferFault, &result))
        return result;
    if (!original)
        return DSERR_INVALIDPARAM;
    if (original == primary)
        return DSERR_INVALIDCALL;
    auto* source = dynamic_cast<SecondaryBuffer*>(original);
    if (!source)
        return DSERR_INVALIDPARAM;
    *duplicate = new SecondaryBuffer(*source);
    AddRef();
    return DS_OK;
}

// --- SecondaryBuffer ---------------------------------------------------------------------------

SecondaryBuffer::SecondaryBuffer(SoundDevice* owner, DWORD bufferCaps,
                                 const BufferFormat& bufferFormat,
                                 std::shared_ptr<uint8_t[]> samples, DWORD bufferLength)
    : device(owner), caps(bufferCaps), format(bufferFormat), store(std::move(samples)),
      memory(store.get()), length(bufferLength)
{
    voice.samples = memory;
    voice.frames = length / format.blockAlign;
    mixer_set_format(&voice, format.encoding, format.bits / 8u, format.channels, format.speakerMask);
    voice.frequency = format.rate;
    mixer_attach(&voice);
}

SecondaryBuffer::SecondaryBuffer(const SecondaryBuffer& original)
    : SecondaryBuffer(original.device, original.caps, original.format, original.store,
                      original.length)
{
    // The volume, pan and frequency of the original at this moment; stopped at the start.
    volume = original.volume;
    pan = original.pan;
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.leftGain = original.voice.leftGain;
    voice.rightGain = original.voice.rightGain;
    voice.frequency = original.voice.frequency;
}

SecondaryBuffer::~SecondaryBuffer()
{
    mixer_detach(&voice);  // the samples go with the last buffer that shares them
}

ULONG SecondaryBuffer::Release()
{
    if (references == 0)
        return 0;
    const ULONG left = --references;
    if (left == 0) {
        SoundDevice* owner = device;
        delete this;
        owner->Release();
    }
    return left;
}

bool SecondaryBuffer::inside(const void* address, DWORD bytes) const
{
    const auto* p = static_cast<const uint8_t*>(address);
    return p >= memory && p < memory + length && bytes <= static_cast<DWORD>(memory + length - p);
}

DWORD SecondaryBuffer::write_cursor_locked(DWORD play) const
{
    if (!voice.playing)
        return play;
    const DWORD lead = (voice.frequency / WriteLeadDivisor + 1) * format.blockAlign;
    return static_cast<DWORD>((static_cast<uint64_t>(play) + lead) % length);
}

HRESULT SecondaryBuffer::GetCaps(LPDSBCAPS out)
{
    return dsound_fill_caps(out, caps | DSBCAPS_LOCSOFTWARE, length);
}

HRESULT SecondaryBuffer::GetFormat(LPWAVEFORMATEX out, DWORD size, LPDWORD written)
{
    return dsound_fill_format(format.record, format.recordBytes, out, size, written);
}

HRESULT SecondaryBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferGetCurrentPositionFault, &result))
        return result;
    // The play cursor is the next frame the mixer takes; every frame before it has been mixed.
    // Cursors are the same with or without DSBCAPS_GETCURRENTPOSITION2: always the accurate one.
    std::lock_guard<std::mutex> hold(mixer_lock());
    const DWORD frame = static_cast<DWORD>((voice.position >> 32) % voice.frames);
    const DWORD at = frame * format.blockAlign;
    if (play)
        *play = at;
    if (write)
        *write = write_cursor_locked(at);
    return DS_OK;
}

void SecondaryBuffer::update_gains()
{
    int32_t left = 0;
    int32_t right = 0;
    mixer_channel_gains(volume, pan, &left, &right);
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.leftGain = left;
    voice.rightGain = right;
}

HRESULT SecondaryBuffer::GetStatus(LPDWORD status)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferGetStatusFault, &result))
        return result;
    if (!status)
        return layer_refused(IDirectSoundBufferGetStatusFault, DSERR_INVALIDPARAM);
    std::lock_guard<std::mutex> hold(mixer_lock());
    *status = 0;
    if (voice.playing)
        *status = DSBSTATUS_PLAYING | (voice.looping ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT SecondaryBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                          LPVOID* audio2, LPDWORD bytes2, DWORD flags)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferLockFault, &result))
        return result;
    if (!audio1 || !bytes1 || (audio2 && !bytes2))
        return layer_refused(IDirectSoundBufferLockFault, DSERR_INVALIDPARAM);
    if (flags & ~static_cast<DWORD>(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER))
        return layer_refused(IDirectSoundBufferLockFault, DSERR_INVALIDPARAM);
    // Taken so that what the mixer read before is read before the caller writes over it.
    std::lock_guard<std::mutex> hold(mixer_lock());
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        // The offset given is ignored: the lock starts where it is safe to write.
        const DWORD frame = static_cast<DWORD>((voice.position >> 32) % voice.frames);
        offset = write_cursor_locked(frame * format.blockAlign);
    }
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = length;
    if (offset >= length || bytes == 0 || bytes > length)
        return layer_refused(IDirectSoundBufferLockFault, DSERR_INVALIDPARAM);
    // The buffer is circular: what reaches past its end is the second region, from its start.
    // Without a second out-address the lock stops at the end.
    const DWORD first = bytes < length - offset ? bytes : length - offset;
    *audio1 = memory + offset;
    *bytes1 = first;
    if (audio2) {
        const bool wraps = bytes > first;
        *audio2 = wraps ? memory : nullptr;
        *bytes2 = wraps ? bytes - first : 0;
    } else if (bytes2) {
        *bytes2 = 0;
    }
    return DS_OK;
}

HRESULT SecondaryBuffer::Unlock(LPVOID audio1, DWORD bytes1, LPVOID audio2, DWORD bytes2)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferUnlockFault, &result))
        return result;
    if (!audio1 || !inside(audio1, bytes1))
        return layer_refused(IDirectSoundBufferUnlockFault, DSERR_INVALIDPARAM);
    if (audio2 ? !inside(audio2, bytes2) : bytes2 != 0)
        return layer_refused(IDirectSoundBufferUnlockFault, DSERR_INVALIDPARAM);
    // What was written is the mixer's to read from here on, also while the buffer plays.
    std::lock_guard<std::mutex> hold(mixer_lock());
    return DS_OK;
}

HRESULT SecondaryBuffer::Play(DWORD reserved, DWORD priority, DWORD flags)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferPlayFault, &result))
        return result;
    // A priority is for buffers whose placement is deferred, which these never are.
    if (reserved != 0 || priority != 0 || (flags & ~static_cast<DWORD>(DSBPLAY_LOOPING)))
        return layer_refused(IDirectSoundBufferPlayFault, DSERR_INVALIDPARAM);
    if (device->level == 0)
        return layer_refused(IDirectSoundBufferPlayFault, DSERR_PRIOLEVELNEEDED);
    // On a buffer already playing only the looping flag changes; it goes on from where it is.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.looping = (flags & DSBPLAY_LOOPING) != 0;
    voice.playing = true;
    return DS_OK;
}

HRESULT SecondaryBuffer::Stop()
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferStopFault, &result))
        return result;
    // The position stays where the sound stopped; a later Play goes on from there.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.playing = false;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetCurrentPosition(DWORD position)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferSetCurrentPositionFault, &result))
        return result;
    if (position >= length)
        return layer_refused(IDirectSoundBufferSetCurrentPositionFault, DSERR_INVALIDPARAM);
    // Rounded down to a whole frame; allowed while playing.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.position = static_cast<uint64_t>(position / format.blockAlign) << 32;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetFrequency(DWORD frequency)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferSetFrequencyFault, &result))
        return result;
    if (!(caps & DSBCAPS_CTRLFREQUENCY))
        return layer_refused(IDirectSoundBufferSetFrequencyFault, DSERR_CONTROLUNAVAIL);
    if (frequency != DSBFREQUENCY_ORIGINAL &&
        (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return layer_refused(IDirectSoundBufferSetFrequencyFault, DSERR_INVALIDPARAM);
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.frequency = frequency == DSBFREQUENCY_ORIGINAL ? format.rate : frequency;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetPan(LONG newPan)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferSetPanFault, &result))
        return result;
    if (!(caps & DSBCAPS_CTRLPAN))
        return layer_refused(IDirectSoundBufferSetPanFault, DSERR_CONTROLUNAVAIL);
    if (newPan < DSBPAN_LEFT || newPan > DSBPAN_RIGHT)
        return layer_refused(IDirectSoundBufferSetPanFault, DSERR_INVALIDPARAM);
    pan = newPan;
    update_gains();
    return DS_OK;
}

HRESULT SecondaryBuffer::SetVolume(LONG newVolume)
{
    HRESULT result = DS_OK;
    if (layer_fault(IDirectSoundBufferSetVolumeFault, &result))
        return result;
    if (!(caps & DSBCAPS_CTRLVOLUME))
        return layer_refused(IDirectSoundBufferSetVolumeFault, DSERR_CONTROLUNAVAIL);
    if (newVolume < DSBVOLUME_MIN || newVolume > DSBVOLUME_MAX)
        return layer_refused(IDirectSoundBufferSetVolumeFault, DSERR_INVALIDPARAM);
    volume = newVolume;
    update_gains();
    return DS_OK;
}

}  // namespace

HRESULT WINAPI DirectSoundCreate(LPCGUID deviceId, LPDIRECTSOUND* directSound, LPUNKNOWN outer)
{
    if (!directSound)
        return layer_refused(DirectSoundCreateFault, DSERR_INVALIDPARAM);
    *directSound = nullptr;
    HRESULT result = DS_OK;
    if (layer_fault(DirectSoundCreateFault, &result))
        return result;
    if (outer)
        return layer_refused(DirectSoundCreateFault, DSERR_NOAGGREGATION);
    if (deviceId) {
        note_unsupported("DirectSoundCreate", "a device other than the default");
        return layer_refused(DirectSoundCreateFault, DSERR_NODRIVER);
    }
    if (!sdl_audio_open())
        return layer_refused(DirectSoundCreateFault, DSERR_NODRIVER);
    *directSound = new SoundDevice;
    return DS_OK;
}
