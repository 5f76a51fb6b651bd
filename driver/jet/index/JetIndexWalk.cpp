#include "driver/jet/index/JetIndexWalk.h"

#include "driver/jet/file/JetFile.h"


namespace kervane::jet {
namespace indexwalk {

// Deeper than any tree a file of Jet's page counts can hold: a loop.
constexpr int kDeepest = 32;

}  // namespace indexwalk

JetIndexWalk::JetIndexWalk(JetFile& file, std::uint32_t owner, std::uint32_t root, bool backwards)
    : m_file(file), m_owner(owner), m_root(root), m_backwards(backwards)
{
}

bool JetIndexWalk::damaged(std::string& error, const std::string& why) const
{
    error = "Un index de la table (page " + std::to_string(m_owner) + ") est endommagé : " + why + ".";
    return false;
}

bool JetIndexWalk::readPage(std::uint32_t page, std::string& error)
{
    const auto named = [page] { return "page " + std::to_string(page); };
    if (page == 0 || page >= m_file.pageCount())
        return damaged(error, named() + " hors du fichier");
    if (!m_met.insert(page).second)
        return damaged(error, named() + " atteinte deux fois");
    m_bytes.resize(static_cast<std::size_t>(m_file.format().pageSize));
    std::string why;
    if (!m_file.readPage(page, m_bytes.data()) ||
        !readIndexPagePointers(m_bytes.data(), m_bytes.size(), m_leaf, m_pointers, why, m_file.format()))
        return damaged(error, named() + " illisible");
    if (m_leaf.owner != m_owner)
        return damaged(error, "la " + named() + " appartient à une autre table");
    return true;
}

// Down the first branch of the tree (the last one backwards): on an intermediate page the first
// child is the first entry's, the last one its tail (or, without a tail, the last entry's).
bool JetIndexWalk::firstLeaf(std::string& error)
{
    std::uint32_t page = m_root;
    for (int depth = 0; depth < indexwalk::kDeepest; ++depth) {
        if (!readPage(page, error))
            return false;
        if (m_leaf.leaf)
            return true;
        const std::size_t children = m_pointers.count();
        const JetFileFormat& format = m_file.format();
        if (m_backwards)
            page = m_leaf.tail != 0 ? m_leaf.tail : (children == 0 ? 0 : m_pointers.child(m_bytes.data(), children - 1, format));
        else
            page = children != 0 ? m_pointers.child(m_bytes.data(), 0, format) : m_leaf.tail;
    }
    return damaged(error, "arbre trop profond ou bouclé");
}

bool JetIndexWalk::next(JetRowId& row, std::string& error)
{
    error.clear();
    if (!m_started) {
        m_started = true;
        if (!firstLeaf(error))
            return false;
    }
    while (m_done >= m_pointers.count()) {
        const std::uint32_t link = m_backwards ? m_leaf.previous : m_leaf.next;
        if (link == 0)
            return false;
        if (!readPage(link, error))
            return false;
        if (!m_leaf.leaf)
            return damaged(error, "page " + std::to_string(link) + " liée aux feuilles");
        m_done = 0;
    }
    const std::size_t at = m_backwards ? m_pointers.count() - 1 - m_done : m_done;
    row = m_pointers.row(m_bytes.data(), at, m_file.format());
    ++m_done;
    return true;
}

}  // namespace kervane::jet
