// sound.cpp -- sound effects from WAV files as pads on the screen: a click plays one, the
// pointer's x sets the pan and its y the pitch, and a pad held down plays in a loop. A pad is
// lit while its sound plays. Esc quits, F12 saves the screen.

#include <cmath>

#include "example.h"

const char ExampleName[] = "sound";
const int ExampleDepth = 16;

namespace {

constexpr int PadCount = 3;
constexpr const char* SoundFiles[PadCount] = {"sounds/click.wav", "sounds/tone.wav", "sounds/sweep.wav"};
constexpr int PadY = 170, PadW = 220, PadH = 220, PadGap = 30;
constexpr uint32_t HoldTime = 300;  // milliseconds a pad must be held before it loops
constexpr COLORREF TextColor = RGB(255, 255, 255);

struct Pad {
    int x;
    int32_t slot = -1;    // the sound's slot in the engine's table
    uint32_t rate = 0;    // the file's own sample rate: its natural pitch
};
Pad Pads[PadCount];

int HeldPad = -1;         // the pad the left button went down on, while it is held
uint32_t HeldSince = 0;
bool Looping = false;

NativePixel Background, Idle, Playing, Light, Dark;

// DirectSound's pan runs from -10000 (left only) to 10000 (right only); the pointer's x maps
// onto it.
int32_t PanFromPointer()
{
    const int32_t pan = (InputState.MouseX - ScreenWidth / 2) * 10000 / (ScreenWidth / 2);
    return pan < -10000 ? -10000 : pan > 10000 ? 10000 : pan;
}

// The frequency a buffer plays at sets its pitch: twice the file's rate is an octave up. The
// top of the screen plays an octave up, the bottom an octave down.
uint32_t FrequencyFromPointer(const Pad& pad)
{
    const double octaves = 1.0 - 2.0 * InputState.MouseY / ScreenHeight;
    return static_cast<uint32_t>(pad.rate * std::pow(2.0, octaves));
}

}  // namespace

bool ExampleStart()
{
    // Each file goes into a sound buffer of its own; AddSound gives back the slot number that
    // plays it. Right after a load, pWave still holds the file, with its format.
    for (int i = 0; i < PadCount; ++i) {
        Pads[i].x = (ScreenWidth - PadCount * PadW - (PadCount - 1) * PadGap) / 2 + i * (PadW + PadGap);
        Pads[i].slot = AddSound(SoundFiles[i]);
        if (Pads[i].slot < 0)
            return false;  // AddSound has already told the user which step failed
        Pads[i].rate = pWave->GetFormat()->nSamplesPerSec;
    }
    Background = RgbToNativePixel(32, 16, 40);
    Idle = RgbToNativePixel(70, 60, 90);
    Playing = RgbToNativePixel(255, 120, 0);
    Light = RgbToNativePixel(200, 190, 230);
    Dark = RgbToNativePixel(10, 5, 15);
    return true;
}

void ExampleFrame()
{
    const uint32_t now = ExampleTime();

    // A press on a pad plays its sound once, at the pointer's pan and pitch.
    for (int i = 0; i < PadCount; ++i) {
        if (LeftDownInRect(Pads[i].x, PadY, PadW, PadH)) {
            SetSoundFrequency(Pads[i].slot, FrequencyFromPointer(Pads[i]));
            PlaySoundFlags(PanFromPointer(), 0, 0, Pads[i].slot);
            HeldPad = i;
            HeldSince = now;
            Looping = false;
        }
    }
    if (HeldPad >= 0) {
        const Pad& pad = Pads[HeldPad];
        if (!InputState.LeftButton) {
            // Let go: a looping sound is stopped, a single one plays to its end.
            if (Looping)
                StopSound(pad.slot);
            HeldPad = -1;
        } else {
            // Held long enough: start again, looping. The pitch follows the pointer as it moves.
            if (!Looping && now - HeldSince >= HoldTime) {
                PlaySoundFlags(PanFromPointer(), 0, DSBPLAY_LOOPING, pad.slot);
                Looping = true;
            }
            SetSoundFrequency(pad.slot, FrequencyFromPointer(pad));
        }
    }

    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);
    DrawTextLine(40, 30, 20, RGB(255, 255, 0), "Click a pad to play it; hold it to loop.");
    DrawTextLine(40, 60, 16, TextColor, "Left or right: pan.  Up or down: pitch.");
    char status[96];
    wsprintfA(status, "Pan %d", PanFromPointer());
    DrawTextLine(40, 100, 16, TextColor, status);

    // IsSoundPlaying asks the buffer itself, so a pad stays lit exactly as long as it sounds.
    for (int i = 0; i < PadCount; ++i) {
        const Pad& pad = Pads[i];
        const bool playing = IsSoundPlaying(pad.slot);
        FillScreenRect(pad.x, PadY, PadW, PadH, playing ? Playing : Idle);
        DrawScreenBevel(pad.x, PadY, PadW, PadH, playing ? Dark : Light, playing ? Light : Dark);
        DrawTextLine(pad.x + 12, PadY + 12, 16, TextColor, SoundFiles[i]);
        wsprintfA(status, "%u Hz", FrequencyFromPointer(pad));
        DrawTextLine(pad.x + 12, PadY + PadH - 28, 16, TextColor, status);
    }
}
