/* A stand-in tag library for the binding's failure paths: FAKE_VERSION sets the version, and
   FAKE_WITHOUT_LOAD leaves out one entry point. */
#include <stdint.h>

uint32_t mp3infp_GetVer(void) { return FAKE_VERSION; }
#ifndef FAKE_WITHOUT_LOAD
uint32_t mp3infp_Load(void* window, const char* path) {
    (void)window;
    (void)path;
    return 1;
}
#endif
uint32_t mp3infp_GetType(void) { return 0; }
uint32_t mp3infp_GetValue(const char* name, char** value) {
    (void)name;
    (void)value;
    return 0;
}
uint32_t mp3infp_mp3_GetTagType(void) { return 0; }
