#pragma once
// The rows of a table in the order of one of its real indexes, forwards or backwards, read
// from the index's tree as the connection sees the file (a transaction's pages laid over it):
// down the tree's first or last branch to a leaf, then from leaf to leaf along their links, one
// page held at a time. A statement that wants the first rows of that order reads only those.
#include "driver/jet/index/JetIndexPage.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kervane::jet {

class JetFile;

class JetIndexWalk {
public:
    // The index whose tree starts at `root`, its pages owned by the table defined on `owner`.
    JetIndexWalk(JetFile& file, std::uint32_t owner, std::uint32_t root, bool backwards);

    // The next row the index points at; false at the end (`error` empty) or on a damaged tree
    // (`error` set, a French message).
    bool next(JetRowId& row, std::string& error);

private:
    bool readPage(std::uint32_t page, std::string& error);
    bool firstLeaf(std::string& error);
    bool damaged(std::string& error, const std::string& why) const;

    JetFile& m_file;
    std::uint32_t m_owner;
    std::uint32_t m_root;
    bool m_backwards;
    bool m_started = false;
    JetIndexPageImage m_leaf;           // the page's header
    JetIndexPagePointers m_pointers;    // where its entries end
    std::vector<unsigned char> m_bytes;  // the page read
    std::size_t m_done = 0;             // entries of m_leaf already given
    std::set<std::uint32_t> m_met;
};

}  // namespace kervane::jet
