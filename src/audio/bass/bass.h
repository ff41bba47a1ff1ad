// The audio library interface the program decodes CD tracks through: the calls, types and constants of
// the 2.4 API that the program uses, implemented by the program itself (see Bass.cpp).
#pragma once

#include <cstdint>

#ifdef _WIN32
// The same types as <windows.h>, so both headers may meet in one file.
typedef unsigned long DWORD;
typedef int BOOL;
typedef unsigned long long QWORD;
#else
typedef uint32_t DWORD;
typedef int BOOL;
typedef uint64_t QWORD;
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

typedef DWORD HSTREAM;
typedef DWORD HMUSIC;
typedef DWORD HSAMPLE;
typedef DWORD HCHANNEL;
typedef DWORD HPLUGIN;

#define BASSVERSION 0x204  // the API version: high word of BASS_GetVersion()

// Error codes (BASS_ErrorGetCode)
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_NOCD 12
#define BASS_ERROR_CDTRACK 13
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_UNKNOWN -1

// BASS_SetConfig options
#define BASS_CONFIG_BUFFER 0
#define BASS_CONFIG_UPDATEPERIOD 1

// Channel and stream flags
#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_FLOAT 256
#define BASS_STREAM_DECODE 0x200000
#define BASS_MUSIC_RAMP 0x200
#define BASS_MUSIC_PRESCAN 0x20000
#define BASS_MUSIC_DECODE BASS_STREAM_DECODE
#define BASS_UNICODE 0x80000000

// Channel types (BASS_CHANNELINFO::ctype)
#define BASS_CTYPE_STREAM 0x10000
#define BASS_CTYPE_STREAM_WAV 0x40000
#define BASS_CTYPE_STREAM_WAV_PCM 0x50001
#define BASS_CTYPE_STREAM_WAV_FLOAT 0x50003
#define BASS_CTYPE_STREAM_CD 0x10200

// Position modes and file position queries
#define BASS_POS_BYTE 0
#define BASS_FILEPOS_CURRENT 0
#define BASS_FILEPOS_DOWNLOAD 1
#define BASS_FILEPOS_END 2
#define BASS_FILEPOS_START 3

typedef struct {
    DWORD freq;     // sample rate
    DWORD chans;    // channels
    DWORD flags;    // BASS_SAMPLE/STREAM flags
    DWORD ctype;    // channel type
    DWORD origres;  // resolution of the source (bits), 0 when not known
    HPLUGIN plugin;
    HSAMPLE sample;
    const char* filename;
} BASS_CHANNELINFO;

// Paths: with BASS_UNICODE a wide string (wchar_t) on Windows; UTF-8 everywhere else.
DWORD BASS_GetVersion();
int BASS_ErrorGetCode();
BOOL BASS_SetConfig(DWORD option, DWORD value);
// device 0 is the no-sound device, the only one there is; win and dsguid are not used.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* dsguid);
BOOL BASS_Free();
HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
BOOL BASS_PluginFree(HPLUGIN handle);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);
BOOL BASS_MusicFree(HMUSIC handle);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
