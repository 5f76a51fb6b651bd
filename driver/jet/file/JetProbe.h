#pragma once
// libmdb trusts what it reads while it opens a file and walks its catalogue, and a damaged
// catalogue can make it crash, loop or allocate without bound. When the driver's own listing
// of the catalogue cannot vouch for it, the opening is therefore tried first in a forked
// child, limited in time and memory, which sends back the catalogue it read so that the
// caller opens the file without reading it again. The definitions of the tables
// are not read there: they are checked byte by byte before libmdb reads one, at its first use.
#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetPageCipher.h"

#include <optional>
#include <string>
#include <sys/types.h>

namespace kervane::jet {

// A child that has sent its whole catalogue and is ending on its own; the caller goes on at
// once, and the child is reaped when this is destroyed (by then it has ended).
class EndingProbe {
public:
    EndingProbe() = default;
    ~EndingProbe();
    EndingProbe(const EndingProbe&) = delete;
    EndingProbe& operator=(const EndingProbe&) = delete;
    void hold(pid_t child) { m_child = child; }
    // Waits for the child to be gone, and with it its share of the file's locks.
    void wait();

private:
    pid_t m_child = -1;
};

// True when opening `path` came through in the child, with `catalogue` holding what it read
// when the opening succeeded (empty when the child refused the file cleanly: the caller's own
// opening then says why); false with a French message when the child crashed, ran too long
// or could not run. `ending` holds the child until it has ended. `encryption`: as for
// JetFile::open().
bool probeOpening(const std::string& path, std::optional<Catalogue>& catalogue, EndingProbe& ending,
                  std::string& error, const JetPageCipher& encryption = {});

}  // namespace kervane::jet
