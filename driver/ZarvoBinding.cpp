#include "ZarvoApi.h"

#include <atomic>
#include <cstring>

namespace {

ZarvoBinding g_installed{};
std::atomic<const ZarvoBinding*> g_current{nullptr};

} // namespace

const ZarvoBinding& zarvo() {
    const ZarvoBinding* current = g_current.load(std::memory_order_acquire);
    return current ? *current : builtinZarvoBinding();
}

void installZarvoBinding(const ZarvoBinding& binding) {
    g_installed = binding;
    g_current.store(&g_installed, std::memory_order_release);
}

void resetZarvoBinding() {
    g_current.store(nullptr, std::memory_order_release);
}

void MarkFrame(ZarvoFrameBuffer& frame) {
    frame.id = 0xAABBCCDD;
    frame.mode = 0x55;
    frame.rtr = 0x55;
    frame.len = 0xAA;
    std::memset(frame.data, 0xAA, sizeof frame.data);
    frame.timeStamp = 0;
}

int32_t ReadMarkedFrame(uint8_t port, ZarvoFrameBuffer& frame) {
    MarkFrame(frame);
    return zarvo().Zarvo_ReadFrame(port, &frame.id, &frame.mode, &frame.rtr, &frame.len, frame.data,
                                   &frame.timeStamp);
}
