/*
 * libmp3infp: reads the title, artist, album and track of one audio file at a time.
 *
 * The host loads the library with dlopen and resolves the five functions below. All state belongs
 * to the last mp3infp_Load call of the calling thread: threads may load files at the same time,
 * each answered about its own.
 */
#ifndef MP3INFP_MP3INFP_H
#define MP3INFP_MP3INFP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds returned by mp3infp_GetType. The numbers are fixed: hosts may store them. */
enum Mp3infpFileType {
    MP3INFP_TYPE_NONE = 0, /* nothing loaded, or the last load failed */
    MP3INFP_TYPE_MP3 = 1,  /* MPEG audio, including RIFF-MP3 ("RMP3") */
    MP3INFP_TYPE_WAV = 2,  /* RIFF WAVE */
    MP3INFP_TYPE_AIFF = 3, /* AIFF and AIFF-C */
    MP3INFP_TYPE_FLAC = 4, /* native FLAC */
    MP3INFP_TYPE_OGG_VORBIS = 5,
    MP3INFP_TYPE_OGG_OPUS = 6,
    MP3INFP_TYPE_OGG_SPEEX = 7,
    MP3INFP_TYPE_OGG_FLAC = 8,
    MP3INFP_TYPE_MP4 = 9,  /* MP4 / M4A / M4B */
    MP3INFP_TYPE_ASF = 10, /* WMA / ASF */
    MP3INFP_TYPE_APE = 11, /* Monkey's Audio */
    MP3INFP_TYPE_WAVPACK = 12,
    MP3INFP_TYPE_MUSEPACK = 13,
    MP3INFP_TYPE_TRUEAUDIO = 14,
    MP3INFP_TYPE_MOD = 15, /* ProTracker module */
    MP3INFP_TYPE_S3M = 16, /* Scream Tracker 3 module */
    MP3INFP_TYPE_IT = 17,  /* Impulse Tracker module */
    MP3INFP_TYPE_XM = 18,  /* FastTracker 2 extended module */
    MP3INFP_TYPE_DSF = 19, /* DSD Stream File */
    MP3INFP_TYPE_DSDIFF = 20,
    MP3INFP_TYPE_TAK = 21,       /* Tom's lossless Audio Kompressor */
    MP3INFP_TYPE_MATROSKA = 22,  /* Matroska and WebM */
    MP3INFP_TYPE_OPTIMFROG = 23, /* OptimFROG, DualStream included (.ofr, .ofs) */
    MP3INFP_TYPE_SPC = 24,       /* SNES SPC700 sound file */
    MP3INFP_TYPE_TWINVQ = 25     /* TwinVQ (.vqf) */
};

/* Bits returned by mp3infp_mp3_GetTagType for an MP3. */
enum Mp3infpTagBits {
    MP3INFP_TAG_ID3V1 = 0x01,
    MP3INFP_TAG_ID3V2 = 0x02,    /* ID3v2.2, 2.3 or 2.4 */
    MP3INFP_TAG_RIFF_INFO = 0x04 /* INFO list of a RIFF-MP3 file */
};

/* Version of this library as 0xMMmm; at least 0x0250. */
uint32_t mp3infp_GetVer(void);

/*
 * Reads the tags of the file at path (UTF-8 or the system's file-name bytes). The file is
 * recognised by its content; the extension only decides when the content is ambiguous.
 * window is ignored. Returns 0 when the file was loaded, nonzero when it is missing,
 * unreadable or not an audio file this library knows; a failed load forgets the previous file.
 */
uint32_t mp3infp_Load(void* window, const char* path);

/* One of Mp3infpFileType for the last loaded file. */
uint32_t mp3infp_GetType(void);

/* Mp3infpTagBits present in the last loaded file; 0 unless it is an MP3. */
uint32_t mp3infp_mp3_GetTagType(void);

/*
 * Looks up one value of the last loaded file. Returns nonzero and sets *value to a
 * NUL-terminated text in the system code page (the charset of the locale the host set with
 * setlocale; the C locale counts as UTF-8; Shift_JIS locales get CP932; characters the code page
 * lacks become '?'). The text stays valid until the thread's next mp3infp_Load. Returns 0 when the
 * file has no such value or the name is unknown.
 *
 * Names (case-sensitive):
 *   INAM title, IART artist, IPRD album, TRACK track number as stored ("007", "3/12").
 *   For an MP3 the suffixed names read one tag block: _v1 ID3v1, _v2 ID3v2, _rmp the INFO list
 *   of a RIFF-MP3. The plain names of an MP3 answer, value by value, from the first of these
 *   that holds the value: ID3v2, RIFF INFO, APE tag, ID3v1.
 *
 * Texts tagged as Latin-1 (ID3v1, ID3v2 Latin-1 frames, RIFF INFO) are often Shift-JIS in
 * practice; such bytes are decoded as CP932 when they are valid Shift-JIS and the text as a whole
 * reads better as Japanese than as Windows-1252, and as Windows-1252 otherwise. A field that
 * holds several values (several artists, most often) answers with the first.
 */
uint32_t mp3infp_GetValue(const char* name, char** value);

#ifdef __cplusplus
}
#endif

#endif
