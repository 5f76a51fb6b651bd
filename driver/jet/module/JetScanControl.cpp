#include "driver/jet/module/JetScanControl.h"

#include "driver/jet/module/JetInterrupt.h"

#include <sqlite3.h>

#include <unordered_map>

namespace kervane::jet {

namespace {

std::mutex registryMutex;
std::unordered_map<sqlite3*, std::weak_ptr<ScanControl>>& registry()
{
    static std::unordered_map<sqlite3*, std::weak_ptr<ScanControl>> controls;
    return controls;
}

}  // namespace

ScanControl::~ScanControl()
{
    const std::lock_guard lock(registryMutex);
    const auto found = registry().find(m_db);
    if (found != registry().end() && found->second.expired())
        registry().erase(found);
}

void ScanControl::scanOpened()
{
    const std::lock_guard lock(m_mutex);
    ++m_openScans;
}

void ScanControl::scanClosed()
{
    const std::lock_guard lock(m_mutex);
    if (m_openScans > 0 && --m_openScans == 0)
        m_stop.store(false, std::memory_order_relaxed);
}

void ScanControl::interrupt()
{
    const std::lock_guard lock(m_mutex);
    if (m_openScans > 0)
        m_stop.store(true, std::memory_order_relaxed);
}

bool ScanControl::interrupted() const
{
#if SQLITE_VERSION_NUMBER >= 3041000
    if (sqlite3_is_interrupted(m_db))
        return true;
#endif
    return m_stop.load(std::memory_order_relaxed);
}

std::shared_ptr<ScanControl> scanControlFor(sqlite3* db)
{
    const std::lock_guard lock(registryMutex);
    std::weak_ptr<ScanControl>& slot = registry()[db];
    if (auto control = slot.lock())
        return control;
    auto control = std::make_shared<ScanControl>(db);
    slot = control;
    return control;
}

void interruptJetScans(sqlite3* db)
{
    std::shared_ptr<ScanControl> control;
    {
        const std::lock_guard lock(registryMutex);
        const auto found = registry().find(db);
        if (found != registry().end())
            control = found->second.lock();
    }
    if (control)
        control->interrupt();
}

}  // namespace kervane::jet
