// sound.cpp -- a small player: sound effects as pads, each click a new voice over the ones still
// sounding (the pointer's x sets the pan, its y the pitch; a pad held down loops), and a music
// track streamed from an Ogg Vorbis file. Space plays or pauses the music, L loops it, F fades it
// out or in, Up and Down set its volume, Left and Right the master volume. Esc quits, F12 saves.

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
constexpr const char* MusicFile = "sounds/music.ogg";
constexpr int BarX = 40, BarY = 470, BarW = 720, BarH = 16;
constexpr int32_t VolumeStep = 300;  // hundredths of a decibel per key press: 3 dB
constexpr uint32_t FadeTime = 2000;  // milliseconds

struct Pad {
    int x;
    int32_t slot = -1;    // the sound's slot in the engine's table
    uint32_t rate = 0;    // the file's own sample rate: its natural pitch
    VoiceHandle voice = NoVoice;  // the pad's latest voice; earlier ones play on by themselves
};
Pad Pads[PadCount];

int HeldPad = -1;         // the pad the left button went down on, while it is held
uint32_t HeldSince = 0;
bool Looping = false;

bool MusicStarted = false;  // the music starts at the first Space, not before
bool MusicLoops = true;
bool FadedOut = false;
int32_t MusicVolume = 0;
int32_t MasterVolume = 0;

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

int32_t Clamp(int32_t volume) { return volume < -5000 ? -5000 : volume > 0 ? 0 : volume; }

// The music's keys: each calls one of the engine's music routines.
void MusicKeys()
{
    if (ExampleKeyPressed(VK_SPACE)) {
        const bool ended = MusicStarted && !IsMusicPlaying() && MusicPosition() >= MusicLength();
        if (!MusicStarted || ended) {
            // PlayMusic opens the file and streams it; nothing is loaded whole.
            MusicStarted = PlayMusic(MusicFile, MusicLoops);
            if (!MusicStarted)
                MessageBoxA(hMainWindow, LastEngineError(), ExampleName, MB_OK);
            SetMusicVolume(MusicVolume);
        } else if (IsMusicPlaying()) {
            PauseMusic();
        } else {
            ResumeMusic();
            FadedOut = false;
        }
    }
    if (ExampleKeyPressed('L')) {
        MusicLoops = !MusicLoops;
        SetMusicLoop(MusicLoops, 0);
    }
    if (ExampleKeyPressed('F') && MusicStarted) {
        // A fade out pauses the music at its end; a fade in brings it back from silence.
        if (FadedOut || !IsMusicPlaying()) {
            FadeMusicIn(FadeTime);
            FadedOut = false;
        } else {
            FadeMusicOut(FadeTime);
            FadedOut = true;
        }
    }
    const int32_t musicStep = (ExampleKeyPressed(VK_UP) ? VolumeStep : 0) -
                              (ExampleKeyPressed(VK_DOWN) ? VolumeStep : 0);
    if (musicStep != 0) {
        MusicVolume = Clamp(MusicVolume + musicStep);
        SetMusicVolume(MusicVolume);
    }
    const int32_t masterStep = (ExampleKeyPressed(VK_RIGHT) ? VolumeStep : 0) -
                               (ExampleKeyPressed(VK_LEFT) ? VolumeStep : 0);
    if (masterStep != 0) {
        MasterVolume = Clamp(MasterVolume + masterStep);
        SetMasterVolume(MasterVolume);  // voices and music, not the slots' own plays
    }
}

// Minutes and seconds of a number of frames at a rate.
void FormatTime(char* text, uint64_t frames, uint32_t rate)
{
    const uint32_t seconds = rate ? static_cast<uint32_t>(frames / rate) : 0;
    wsprintfA(text, "%u:%02u", seconds / 60, seconds % 60);
}

void DrawMusic()
{
    const uint64_t length = MusicLength();
    const uint64_t position = MusicPosition();
    FillScreenRect(BarX, BarY, BarW, BarH, Idle);
    if (length > 0)
        FillScreenRect(BarX, BarY, static_cast<int32_t>(BarW * position / length), BarH, Playing);
    DrawScreenBevel(BarX, BarY, BarW, BarH, Dark, Light);
    char now[16], total[16], line[160];
    FormatTime(now, position, MusicRate());
    FormatTime(total, length, MusicRate());
    const char* state = !MusicStarted ? "press Space to play" : IsMusicPlaying() ? "playing" : "paused";
    wsprintfA(line, "%s  %s / %s  %s", MusicFile, now, total, state);
    DrawTextLine(BarX, BarY - 30, 16, TextColor, line);
    wsprintfA(line, "Loop %s   Music %d dB   Master %d dB", MusicLoops ? "on" : "off",
              MusicVolume / 100, MasterVolume / 100);
    DrawTextLine(BarX, BarY + 30, 16, TextColor, line);
    DrawTextLine(BarX, BarY + 56, 16, TextColor,
                 "Space play/pause  L loop  F fade  Up/Down music  Left/Right master");
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

    // A press on a pad plays its sound as a new voice, at the pointer's pan and pitch; voices
    // started before go on sounding.
    for (int i = 0; i < PadCount; ++i) {
        if (LeftDownInRect(Pads[i].x, PadY, PadW, PadH)) {
            Pads[i].voice = PlaySoundVoice(PanFromPointer(), 0, FrequencyFromPointer(Pads[i]), Pads[i].slot);
            HeldPad = i;
            HeldSince = now;
            Looping = false;
        }
    }
    if (HeldPad >= 0) {
        Pad& pad = Pads[HeldPad];
        if (!InputState.LeftButton) {
            // Let go: a looping voice is stopped, a single one plays to its end.
            if (Looping)
                StopVoice(pad.voice);
            HeldPad = -1;
        } else {
            // Held long enough: the voice loops (a new one if it has already ended). Its pitch
            // and pan follow the pointer as it moves.
            if (!Looping && now - HeldSince >= HoldTime) {
                if (!IsVoicePlaying(pad.voice))
                    pad.voice = PlaySoundVoice(PanFromPointer(), 0, FrequencyFromPointer(pad), pad.slot);
                SetVoiceLooping(pad.voice, true);
                Looping = true;
            }
            SetVoiceFrequency(pad.voice, FrequencyFromPointer(pad));
            SetVoicePan(pad.voice, PanFromPointer());
        }
    }
    MusicKeys();

    FillScreenRect(0, 0, ScreenWidth, ScreenHeight, Background);
    DrawTextLine(40, 30, 20, RGB(255, 255, 0), "Click a pad to play it, again and again; hold it to loop.");
    DrawTextLine(40, 60, 16, TextColor, "Left or right: pan.  Up or down: pitch.");
    char status[96];
    wsprintfA(status, "Pan %d", PanFromPointer());
    DrawTextLine(40, 100, 16, TextColor, status);

    // IsVoicePlaying asks the voice's buffer itself, so a pad stays lit exactly as long as its
    // latest voice sounds.
    for (int i = 0; i < PadCount; ++i) {
        const Pad& pad = Pads[i];
        const bool playing = IsVoicePlaying(pad.voice);
        FillScreenRect(pad.x, PadY, PadW, PadH, playing ? Playing : Idle);
        DrawScreenBevel(pad.x, PadY, PadW, PadH, playing ? Dark : Light, playing ? Light : Dark);
        DrawTextLine(pad.x + 12, PadY + 12, 16, TextColor, SoundFiles[i]);
        wsprintfA(status, "%u Hz", FrequencyFromPointer(pad));
        DrawTextLine(pad.x + 12, PadY + PadH - 28, 16, TextColor, status);
    }
    DrawMusic();
}
