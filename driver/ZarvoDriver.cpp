// Kestrel's own CAN port driver behind the binding. Until the port engine is
// wired in, every operation reports a bad call.
#include "ZarvoApi.h"

const ZarvoBinding& builtinZarvoBinding() {
    static const ZarvoBinding table{
        [](char*) { return int32_t{1}; },
        [] { return int32_t{1}; },
        [](uint8_t*) { return int32_t{1}; },
        [](uint8_t*, uint32_t*, uint32_t*, uint8_t*, char*, char*, uint8_t*) { return int32_t{1}; },
        [](uint8_t, uint32_t) { return int32_t{1}; },
        [](uint8_t) { return int32_t{1}; },
        [](uint8_t, uint32_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*, uint64_t*) {
            return int32_t{1};
        },
        [](uint8_t, uint16_t*) { return int32_t{1}; },
        [](uint8_t, uint32_t*, uint32_t*) { return int32_t{1}; },
        [](uint32_t, uint8_t*) { return int32_t{1}; },
        [](uint8_t, uint8_t, uint8_t, const type_ZarvoMsg*, const int32_t*, const int32_t*,
           const int32_t*) { return int32_t{1}; },
        [](uint8_t, uint8_t) { return int32_t{1}; },
        [](uint8_t, uint8_t, ZarvoTxCallback) { return int32_t{1}; },
        [](uint8_t, uint8_t) { return int32_t{1}; },
        [](uint8_t, uint8_t, ZarvoRxCallback) { return int32_t{1}; },
        [](uint8_t, uint8_t, int32_t) { return int32_t{1}; },
    };
    return table;
}
