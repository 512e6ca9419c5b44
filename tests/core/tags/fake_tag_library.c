/* A stand-in tag library for what no real file can show: FAKE_VERSION sets the version,
   FAKE_WITHOUT_LOAD leaves out one entry point, FAKE_TYPE and FAKE_TAG_TYPE set what every
   loaded file is. Every value exists and reads "v:" followed by its name. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifndef FAKE_TYPE
#define FAKE_TYPE 0
#endif
#ifndef FAKE_TAG_TYPE
#define FAKE_TAG_TYPE 0
#endif

static char value_text[64];

uint32_t mp3infp_GetVer(void) {
    return FAKE_VERSION;
}
#ifndef FAKE_WITHOUT_LOAD
uint32_t mp3infp_Load(void* window, const char* path) {
    (void)window;
    (void)path;
    return FAKE_TYPE == 0;
}
#endif
uint32_t mp3infp_GetType(void) {
    return FAKE_TYPE;
}
uint32_t mp3infp_GetValue(const char* name, char** value) {
    strcpy(value_text, "v:");
    strncat(value_text, name, sizeof value_text - 3);
    *value = value_text;
    return 1;
}
uint32_t mp3infp_mp3_GetTagType(void) {
    /* Only MP3s are asked for their tag blocks. */
    if (FAKE_TYPE != 1)
        abort();
    return FAKE_TAG_TYPE;
}
