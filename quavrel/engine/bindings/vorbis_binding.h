#pragma once
// The Vorbis library ("Vorbis.DLL"), loaded at run time and bound by name.
//
// LoadVorbis binds the eight operations below; until then, and when the library is missing,
// they are null and VorbisLoaded() is false. Everything runs on the UI thread.

#include <QString>

#ifndef VB_NO_PROTOTYPES
#define VB_NO_PROTOTYPES
#endif
#include "platform/vorbis/vorbis_dll.h"

extern VBENCOPEN vbEncOpen;
extern VBENCWRITE vbEncWrite;
extern VBENCCLOSE vbEncClose;
extern VBDECOPEN vbDecOpen;
extern VBDECREAD vbDecRead;
extern VBDECSEEK vbDecSeek;
extern VBDECCLOSE vbDecClose;
extern VBVERSION vbVersion;

// Loads the library on the first call and binds its operations; a library that lacks any of
// them is released again. Later calls only tell whether it is loaded.
bool LoadVorbis();
bool VorbisLoaded();
// "Ver 1.05 (Engine Ver : 1.00, Date : 2003-6-9)"; empty when the library is not loaded.
QString VorbisVersionText();
// Releases the library (at program end); a later LoadVorbis loads it afresh.
void UnloadVorbis();

// The format record for 16-bit stereo 44100 Hz PCM at Quality 0..10 (sent as Quality / 10).
VB_CONFIG VorbisFormatRecord(int Quality);
