#pragma once
// The interrupt request of one connection, shared by the Jet modules declared on it and found
// by interruptJetScans through the connection.
#include <atomic>
#include <memory>
#include <mutex>

struct sqlite3;

namespace kervane::jet {

class ScanControl {
public:
    explicit ScanControl(sqlite3* db) : m_db(db) {}
    ~ScanControl();
    ScanControl(const ScanControl&) = delete;
    ScanControl& operator=(const ScanControl&) = delete;

    void scanOpened();
    // The request ends with the last open scan.
    void scanClosed();
    void interrupt();
    bool interrupted() const;

private:
    sqlite3* m_db;
    std::mutex m_mutex;
    int m_openScans = 0;
    std::atomic<bool> m_stop{false};
};

// The control of `db`, made on first use and kept while someone holds it.
std::shared_ptr<ScanControl> scanControlFor(sqlite3* db);

}  // namespace kervane::jet
