#pragma once
// The pages of a Jet file as a change sees them: the file's own pages with the changes of the
// transaction under way laid over them. A writer reads and changes pages only through this;
// where the changes go (memory, a journal, the file) is the owner's business.
#include <cstddef>
#include <cstdint>

namespace kervane::jet {

class JetPages {
public:
    virtual ~JetPages() = default;

    virtual std::size_t pageSize() const = 0;
    // Pages in the file, those appended by the transaction included.
    virtual std::uint32_t pageCount() const = 0;
    // The page as the transaction sees it, pageSize() bytes; nullptr when it lies outside the
    // file or cannot be read. Stays valid until the transaction ends.
    virtual const unsigned char* read(std::uint32_t page) = 0;
    // The same page made writable within the transaction (the file is written only at commit);
    // nullptr as for read(). Stays valid until the transaction ends.
    virtual unsigned char* change(std::uint32_t page) = 0;
    // A new page of zeros at the end of the file, writable; its number.
    virtual std::uint32_t append() = 0;
};

}  // namespace kervane::jet
