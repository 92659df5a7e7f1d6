#include "base/zelcora_object.h"

#include <atomic>

namespace {
// Relaxed atomic rather than a plain int: the count is never relied upon, but the sanitizers
// must not report the unsynchronised increments as races.
std::atomic<uint32_t> g_objectCounter{0};
} // namespace

ZelcoraObject::ZelcoraObject() : m_objectNumber(g_objectCounter.fetch_add(1, std::memory_order_relaxed) + 1) {}
