#pragma once
// The file's pages as its reader sees them (a transaction's pages laid over them), for the
// reads that go through the writer's page interface; never changed. Every page read is kept
// for the object's life: it serves one lookup.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetPages.h"

#include <unordered_map>
#include <vector>

namespace kervane::jet {

class ReadOnlyPages final : public JetPages {
public:
    explicit ReadOnlyPages(JetFile& file) : m_file(file) {}

    std::size_t pageSize() const override { return static_cast<std::size_t>(m_file.format().pageSize); }
    std::uint32_t pageCount() const override { return m_file.pageCount(); }
    const unsigned char* read(std::uint32_t page) override
    {
        auto found = m_read.find(page);
        if (found != m_read.end())
            return found->second.data();
        std::vector<unsigned char> bytes(pageSize());
        if (page >= pageCount() || !m_file.readPage(page, bytes.data()))
            return nullptr;
        return m_read.emplace(page, std::move(bytes)).first->second.data();
    }
    unsigned char* change(std::uint32_t) override { return nullptr; }
    std::uint32_t append() override { return 0; }

private:
    JetFile& m_file;
    std::unordered_map<std::uint32_t, std::vector<unsigned char>> m_read;
};

}  // namespace kervane::jet
