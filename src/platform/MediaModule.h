#pragma once

#include <QtGlobal>

// The media module (quorvel-media): the audio player over QtMultimedia and the speech synthesizer over
// QtTextToSpeech, kept out of the executable so that starting the app loads and initialises none of
// QtMultimedia's audio chain (PulseAudio, FFmpeg) or of the speech engines. It is loaded on the first player
// or utterance and stays loaded for the rest of the run.
namespace MediaModule {

// The address of a function the module exports, loading the module on first use; null when the module
// cannot be loaded (logged once): audio and speech are optional, and their callers go without.
QFunctionPointer resolve(const char *symbol);

} // namespace MediaModule
