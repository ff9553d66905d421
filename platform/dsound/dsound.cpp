// dsound.cpp -- DirectSound: the device object and static secondary buffers played by the mixer
//
// A buffer is plain memory in its own PCM format (8-bit unsigned or 16-bit signed, mono or
// stereo, any rate), silent when created, written through Lock and Unlock. Playing hands it to
// the mixer (mixer.cpp) as a voice, which is resampled to the output and scaled by the buffer's
// volume and pan; the output itself is in sdl_audio.cpp. Every buffer holds a reference on its
// device. Only the first 16 bytes of a PCM format record are read, so a record lying inside a
// WAV file is fine whatever follows it.
// Left out on purpose: the primary buffer, 3D, effects, notifications, hardware placement,
// duplicating buffers, play and write cursors, formats other than 8- and 16-bit mono or stereo
// PCM, and muting while the window is in the background.

#include <cstdio>
#include <cstring>
#include <new>

#include "dsound/sdl_audio.h"
#include "faults.h"
#include "user32/window.h"
#include "mixer.h"
#include "dsound.h"

namespace {

// CreateSoundBuffer takes either description on this build and either on a 32-bit build.
constexpr DWORD BufferDescSize32 = 36;
constexpr DWORD BufferDesc1Size32 = 20;
constexpr WORD WaveFormatIeeeFloat = 3;
constexpr WORD WaveFormatExtensible = 0xFFFE;

static_assert(sizeof(DSBUFFERDESC) == (sizeof(void*) == 8 ? 40 : 36), "DSBUFFERDESC layout");
static_assert(offsetof(DSBUFFERDESC, lpwfxFormat) == 16, "lpwfxFormat");
static_assert(sizeof(DSBUFFERDESC1) == (sizeof(void*) == 8 ? 24 : 20), "DSBUFFERDESC1 layout");

// Capabilities a software buffer can honour; the placement and focus flags change nothing
// that can be heard or observed here.
constexpr DWORD SupportedCaps = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                                DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS |
                                DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2;

void note_unsupported(const char* call, const char* what)
{
    fprintf(stderr, "layer: %s: %s is not supported\n", call, what);
}

class SoundDevice final : public IDirectSound {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out,
                                                LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD level) override;

    DWORD level = 0;

private:
    ~SoundDevice() override { sdl_audio_close(); }
    ULONG references = 1;
};

class SecondaryBuffer final : public IDirectSoundBuffer {
public:
    SecondaryBuffer(SoundDevice* device, DWORD caps, const PCMWAVEFORMAT& format, uint8_t* memory,
                DWORD length);

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
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

    ULONG references = 1;
    SoundDevice* device;
    DWORD caps;
    DWORD originalFrequency;
    DWORD blockAlign;
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
    if (layer_fault("IDirectSound::SetCooperativeLevel", &result))
        return result;
    if (newLevel < DSSCL_NORMAL || newLevel > DSSCL_WRITEPRIMARY || !window_is_valid(window))
        return DSERR_INVALIDPARAM;
    if (newLevel == DSSCL_WRITEPRIMARY) {
        note_unsupported("IDirectSound::SetCooperativeLevel", "writing the primary buffer");
        return DSERR_UNSUPPORTED;
    }
    level = newLevel;
    return DS_OK;
}

// Checks a buffer's format the way the platform does; only the PCM record's 16 bytes are read.
HRESULT check_format(const WAVEFORMATEX* record, PCMWAVEFORMAT* format)
{
    const char* call = "IDirectSound::CreateSoundBuffer";
    WORD tag = 0;
    memcpy(&tag, record, sizeof(tag));
    if (tag != WAVE_FORMAT_PCM) {
        // Floating-point and extensible records would play on the platform; other tags not.
        if (tag == WaveFormatIeeeFloat || tag == WaveFormatExtensible)
            note_unsupported(call, "a floating-point or extensible wave format");
        return DSERR_BADFORMAT;
    }
    memcpy(format, record, sizeof(*format));
    const WAVEFORMAT& wf = format->wf;
    const DWORD bits = format->wBitsPerSample;
    if (bits < 8 || bits % 8 != 0 || wf.nChannels == 0 || wf.nSamplesPerSec == 0 ||
        wf.nAvgBytesPerSec == 0 || wf.nBlockAlign != wf.nChannels * bits / 8)
        return DSERR_INVALIDPARAM;
    if ((bits != 8 && bits != 16) || wf.nChannels > 2) {
        note_unsupported(call, "PCM other than 8 or 16 bits in one or two channels");
        return DSERR_UNSUPPORTED;
    }
    return DS_OK;
}

HRESULT SoundDevice::CreateSoundBuffer(LPCDSBUFFERDESC desc, LPLPDIRECTSOUNDBUFFER out,
                                       LPUNKNOWN outer)
{
    const char* call = "IDirectSound::CreateSoundBuffer";
    HRESULT result = DS_OK;
    if (layer_fault(call, &result))
        return result;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (!desc || !out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    const DWORD size = desc->dwSize;
    if (size != sizeof(DSBUFFERDESC) && size != sizeof(DSBUFFERDESC1) && size != BufferDescSize32 &&
        size != BufferDesc1Size32)
        return DSERR_INVALIDPARAM;
    const DWORD flags = desc->dwFlags;
    if ((flags & DSBCAPS_LOCHARDWARE) && (flags & DSBCAPS_LOCSOFTWARE))
        return DSERR_INVALIDPARAM;
    if (flags & DSBCAPS_PRIMARYBUFFER) {
        note_unsupported(call, "the primary buffer");
        return DSERR_UNSUPPORTED;
    }
    if (flags & ~SupportedCaps) {
        note_unsupported(call, "a buffer with 3D, effects, notifications or hardware placement");
        return DSERR_UNSUPPORTED;
    }
    if (!desc->lpwfxFormat)
        return DSERR_INVALIDPARAM;
    PCMWAVEFORMAT format{};
    const HRESULT checked = check_format(desc->lpwfxFormat, &format);
    if (checked != DS_OK)
        return checked;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
        return DSERR_INVALIDPARAM;
    // A size that is not a whole number of frames is rounded up to one.
    const DWORD align = format.wf.nBlockAlign;
    const DWORD length = (desc->dwBufferBytes + align - 1) / align * align;
    auto* memory = new (std::nothrow) uint8_t[length];
    if (!memory)
        return DSERR_OUTOFMEMORY;
    memset(memory, format.wBitsPerSample == 8 ? 0x80 : 0x00, length);
    *out = new SecondaryBuffer(this, flags, format, memory, length);
    AddRef();
    return DS_OK;
}

// --- SecondaryBuffer ---------------------------------------------------------------------------

SecondaryBuffer::SecondaryBuffer(SoundDevice* owner, DWORD bufferCaps, const PCMWAVEFORMAT& format,
                         uint8_t* bytes, DWORD bufferLength)
    : device(owner), caps(bufferCaps), originalFrequency(format.wf.nSamplesPerSec),
      blockAlign(format.wf.nBlockAlign), memory(bytes), length(bufferLength)
{
    voice.samples = memory;
    voice.frames = length / blockAlign;
    voice.channels = format.wf.nChannels;
    voice.bytesPerSample = format.wBitsPerSample / 8;
    voice.frequency = originalFrequency;
    mixer_attach(&voice);
}

SecondaryBuffer::~SecondaryBuffer()
{
    mixer_detach(&voice);
    delete[] memory;
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
    if (layer_fault("IDirectSoundBuffer::GetStatus", &result))
        return result;
    if (!status)
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_lock());
    *status = 0;
    if (voice.playing)
        *status = DSBSTATUS_PLAYING | (voice.looping ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT SecondaryBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audio1, LPDWORD bytes1,
                          LPVOID* audio2, LPDWORD bytes2, DWORD flags)
{
    const char* call = "IDirectSoundBuffer::Lock";
    HRESULT result = DS_OK;
    if (layer_fault(call, &result))
        return result;
    if (!audio1 || !bytes1 || (audio2 && !bytes2))
        return DSERR_INVALIDPARAM;
    if (flags & ~static_cast<DWORD>(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER))
        return DSERR_INVALIDPARAM;
    if (flags & DSBLOCK_FROMWRITECURSOR) {
        note_unsupported(call, "locking from the write cursor");
        return DSERR_UNSUPPORTED;
    }
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = length;
    if (offset >= length || bytes == 0 || bytes > length)
        return DSERR_INVALIDPARAM;
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
    if (layer_fault("IDirectSoundBuffer::Unlock", &result))
        return result;
    if (!audio1 || !inside(audio1, bytes1))
        return DSERR_INVALIDPARAM;
    if (audio2 ? !inside(audio2, bytes2) : bytes2 != 0)
        return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT SecondaryBuffer::Play(DWORD reserved, DWORD priority, DWORD flags)
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::Play", &result))
        return result;
    // A priority is for buffers whose placement is deferred, which these never are.
    if (reserved != 0 || priority != 0 || (flags & ~static_cast<DWORD>(DSBPLAY_LOOPING)))
        return DSERR_INVALIDPARAM;
    if (device->level == 0)
        return DSERR_PRIOLEVELNEEDED;
    // On a buffer already playing only the looping flag changes; it goes on from where it is.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.looping = (flags & DSBPLAY_LOOPING) != 0;
    voice.playing = true;
    return DS_OK;
}

HRESULT SecondaryBuffer::Stop()
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::Stop", &result))
        return result;
    // The position stays where the sound stopped; a later Play goes on from there.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.playing = false;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetCurrentPosition(DWORD position)
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::SetCurrentPosition", &result))
        return result;
    if (position >= length)
        return DSERR_INVALIDPARAM;
    // Rounded down to a whole frame; allowed while playing.
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.position = static_cast<uint64_t>(position / blockAlign) << 32;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetFrequency(DWORD frequency)
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::SetFrequency", &result))
        return result;
    if (!(caps & DSBCAPS_CTRLFREQUENCY))
        return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL &&
        (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> hold(mixer_lock());
    voice.frequency = frequency == DSBFREQUENCY_ORIGINAL ? originalFrequency : frequency;
    return DS_OK;
}

HRESULT SecondaryBuffer::SetPan(LONG newPan)
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::SetPan", &result))
        return result;
    if (!(caps & DSBCAPS_CTRLPAN))
        return DSERR_CONTROLUNAVAIL;
    if (newPan < DSBPAN_LEFT || newPan > DSBPAN_RIGHT)
        return DSERR_INVALIDPARAM;
    pan = newPan;
    update_gains();
    return DS_OK;
}

HRESULT SecondaryBuffer::SetVolume(LONG newVolume)
{
    HRESULT result = DS_OK;
    if (layer_fault("IDirectSoundBuffer::SetVolume", &result))
        return result;
    if (!(caps & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (newVolume < DSBVOLUME_MIN || newVolume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    volume = newVolume;
    update_gains();
    return DS_OK;
}

}  // namespace

HRESULT WINAPI DirectSoundCreate(LPCGUID deviceId, LPDIRECTSOUND* directSound, LPUNKNOWN outer)
{
    if (!directSound)
        return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    HRESULT result = DS_OK;
    if (layer_fault("DirectSoundCreate", &result))
        return result;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (deviceId) {
        note_unsupported("DirectSoundCreate", "a device other than the default");
        return DSERR_NODRIVER;
    }
    if (!sdl_audio_open())
        return DSERR_NODRIVER;
    *directSound = new SoundDevice;
    return DS_OK;
}
