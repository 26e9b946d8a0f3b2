// Stand-ins for libLanternLogger.so that lack one of its two exports, built
// twice: with LOG_SET_FILE_NAME only and with LOG_WRITE only. The file-name
// export creates the named file empty, so a test can see that it was called.

#include <cstdint>
#include <cstdio>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

#ifdef LOG_SET_FILE_NAME
TEST_EXPORT int32_t Log_SetFileName(const char* fileName, int32_t) {
    std::FILE* file = std::fopen(fileName, "w");
    if (!file)
        return -1;
    std::fclose(file);
    return 0;
}
#endif

#ifdef LOG_WRITE
TEST_EXPORT int32_t Log_Write(const char*, int32_t) {
    return 0;
}
#endif
