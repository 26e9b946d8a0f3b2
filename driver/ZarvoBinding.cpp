#include "ZarvoApi.h"

#include <atomic>

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
