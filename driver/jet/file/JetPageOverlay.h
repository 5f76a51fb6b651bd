#pragma once
// The pages a transaction changed or appended, laid by the reader over the file's own: while a
// JetFile has an overlay, every page it reads (data rows, long values, usage maps) is the
// transaction's version when the overlay holds one, so that statements run inside the
// transaction see its changes before they are committed.
#include <cstdint>

namespace kervane::jet {

class JetPageOverlay {
public:
    virtual ~JetPageOverlay() = default;

    // The transaction's version of `page`, one page long, or nullptr when the transaction left
    // that page as the file has it. Stays valid until the next change of the transaction.
    virtual const unsigned char* changedPage(std::uint32_t page) = 0;
    // Pages of the file as the transaction sees it, those it appended included; never fewer
    // than the file has.
    virtual std::uint32_t pageCount() const = 0;
};

}  // namespace kervane::jet
