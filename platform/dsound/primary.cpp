// primary.cpp -- DirectSound's primary buffer: the output as a buffer, whose volume scales the
// whole mix
//
// A device has at most one; creating it again hands out the same object. It reports the output's
// format (16-bit stereo at the output's rate) and its block as its length, plays only looping and
// changes nothing by playing or stopping, since the output runs anyway. Its volume stays with the
// output after it is released, as the device's output volume does.
// Left out on purpose: writing it (DSSCL_WRITEPRIMARY), setting its format, pan, 3D listener.

#include <cstring>

#include "dsound/buffers.h"
#include "dsound/sdl_audio.h"
#include "mixer.h"

namespace {

// The length reported: the output's block of 512 frames of 16-bit stereo.
constexpr DWORD PrimaryBytes = 512 * 4;

class PrimaryBuffer final : public IDirectSoundBuffer {
public:
    PrimaryBuffer(IDirectSound* owner, DWORD flags, IDirectSoundBuffer** handedOut)
        : device(owner), slot(handedOut), caps(flags | DSBCAPS_LOCSOFTWARE)
    {
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSBCAPS caps) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD play, LPDWORD write) override;
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written) override;
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override;
    HRESULT STDMETHODCALLTYPE Lock(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override;
    HRESULT STDMETHODCALLTYPE Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(DWORD) override { return DSERR_INVALIDCALL; }
    HRESULT STDMETHODCALLTYPE SetFrequency(DWORD) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT STDMETHODCALLTYPE SetPan(LONG) override { return DSERR_CONTROLUNAVAIL; }
    HRESULT STDMETHODCALLTYPE SetVolume(LONG volume) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID, DWORD, LPVOID, DWORD) override;

private:
    ~PrimaryBuffer() override = default;
    ULONG references = 1;
    IDirectSound* device;
    IDirectSoundBuffer** slot;  // the device's note of it
    DWORD caps;
    bool playing = false;
};

ULONG PrimaryBuffer::Release()
{
    if (references == 0)
        return 0;
    const ULONG left = --references;
    if (left == 0) {
        IDirectSound* owner = device;
        *slot = nullptr;
        delete this;
        owner->Release();
    }
    return left;
}

HRESULT PrimaryBuffer::GetCaps(LPDSBCAPS out) { return dsound_fill_caps(out, caps, PrimaryBytes); }

HRESULT PrimaryBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write)
{
    // The output's own position within its block; both cursors are the same.
    const DWORD at = static_cast<DWORD>(sdl_audio_frames_mixed() * 4 % PrimaryBytes);
    if (play)
        *play = at;
    if (write)
        *write = at;
    return DS_OK;
}

HRESULT PrimaryBuffer::GetFormat(LPWAVEFORMATEX format, DWORD size, LPDWORD written)
{
    // The output: 16-bit stereo at the rate the device plays.
    WAVEFORMATEX record{};
    record.wFormatTag = WAVE_FORMAT_PCM;
    record.nChannels = 2;
    record.nSamplesPerSec = sdl_audio_rate();
    record.wBitsPerSample = 16;
    record.nBlockAlign = 4;
    record.nAvgBytesPerSec = record.nSamplesPerSec * 4;
    if (format && size < sizeof(record)) {
        if (written)
            *written = 0;  // nothing of the primary's record is copied when it does not fit
        return DSERR_INVALIDPARAM;
    }
    return dsound_fill_format(reinterpret_cast<const uint8_t*>(&record), sizeof(record), format, size,
                       written);
}

HRESULT PrimaryBuffer::GetStatus(LPDWORD status)
{
    if (!status)
        return DSERR_INVALIDPARAM;
    *status = playing ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
    return DS_OK;
}

// Writing the primary buffer takes DSSCL_WRITEPRIMARY, which this device never grants.
HRESULT PrimaryBuffer::Lock(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD)
{
    return DSERR_PRIOLEVELNEEDED;
}

HRESULT PrimaryBuffer::Unlock(LPVOID, DWORD, LPVOID, DWORD) { return DSERR_PRIOLEVELNEEDED; }

HRESULT PrimaryBuffer::Play(DWORD reserved, DWORD priority, DWORD flags)
{
    // The primary buffer only ever plays looping; it keeps the output running, which here runs
    // anyway.
    if (reserved != 0 || priority != 0 || flags != DSBPLAY_LOOPING)
        return DSERR_INVALIDPARAM;
    playing = true;
    return DS_OK;
}

HRESULT PrimaryBuffer::Stop()
{
    playing = false;
    return DS_OK;
}

HRESULT PrimaryBuffer::SetVolume(LONG volume)
{
    if (!(caps & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    // The primary's volume is the output's: it scales everything that is mixed.
    mixer_set_output_gain(mixer_gain(volume));
    return DS_OK;
}

}  // namespace

IDirectSoundBuffer* dsound_new_primary(IDirectSound* device, DWORD flags,
                                       IDirectSoundBuffer** handedOut)
{
    return new PrimaryBuffer(device, flags, handedOut);
}

HRESULT dsound_fill_caps(LPDSBCAPS caps, DWORD flags, DWORD bytes)
{
    if (!caps || caps->dwSize < sizeof(DSBCAPS))
        return DSERR_INVALIDPARAM;
    caps->dwFlags = flags;
    caps->dwBufferBytes = bytes;
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

HRESULT dsound_fill_format(const uint8_t* record, DWORD recordBytes, LPWAVEFORMATEX format,
                           DWORD size, LPDWORD written)
{
    if (!format) {
        if (!written)
            return DSERR_INVALIDPARAM;
        *written = recordBytes;  // asked for the size it needs
        return DS_OK;
    }
    if (size < recordBytes) {
        // Too small: the part that fits is copied and the call refused.
        memcpy(format, record, size);
        if (written)
            *written = size;
        return DSERR_INVALIDPARAM;
    }
    memcpy(format, record, recordBytes);
    if (written)
        *written = recordBytes;
    return DS_OK;
}
