#pragma once
// The pages of a file being made whole in memory (a new database, a compacted copy): nothing is
// written until the owner writes every page at once (JetNewDatabase.h), so a file is never seen
// half made.
#include "driver/jet/format/JetPages.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace kervane::jet {

class JetMemoryPages final : public JetPages {
public:
    explicit JetMemoryPages(std::size_t pageSize) : m_size(pageSize) {}

    std::size_t pageSize() const override { return m_size; }
    std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(m_pages.size()); }
    const unsigned char* read(std::uint32_t page) override { return change(page); }
    unsigned char* change(std::uint32_t page) override
    {
        return page < m_pages.size() ? m_pages[page].get() : nullptr;
    }
    std::uint32_t append() override
    {
        m_pages.push_back(std::make_unique<unsigned char[]>(m_size));  // zeros, and never moved
        return pageCount() - 1;
    }
    const unsigned char* page(std::uint32_t page) const { return m_pages[page].get(); }

private:
    std::size_t m_size;
    std::vector<std::unique_ptr<unsigned char[]>> m_pages;
};

}  // namespace kervane::jet
