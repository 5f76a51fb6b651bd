#include "driver/jet/index/JetIndexTree.h"

#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"

#include <algorithm>
#include <set>

namespace kervane::jet {

namespace {

constexpr int kDeepest = 16;  // deeper than any index of a file that fits in 2 GB
constexpr std::size_t kMostNodesKept = 4096;

bool sameEntry(const JetIndexEntry& a, const JetIndexEntry& b)
{
    return a.key == b.key && a.row.page == b.row.page && a.row.row == b.row.row;
}

}  // namespace

JetIndexTree::JetIndexTree(JetPages& pages, std::uint32_t owner, std::uint32_t root, JetRowId pagesMap,
                           const JetFileFormat& format, std::string name)
    : m_pages(&pages), m_format(&format), m_owner(owner), m_root(root), m_pagesMap(pagesMap), m_name(std::move(name))
{
}

bool JetIndexTree::damaged(std::string& error, const std::string& why) const
{
    error = m_name + " est endommagé (" + why + ") : la modification n'a pas été faite.";
    return false;
}

// A page of the index as the file holds it: an index page within the file, of this table,
// marked in the index's map of pages, whose links name no page outside the file nor itself.
bool JetIndexTree::readNode(std::uint32_t page, Node& loaded, std::string& error)
{
    const std::string named = "page " + std::to_string(page);
    const std::uint32_t count = m_pages->pageCount();
    if (page == 0 || page >= count)
        return damaged(error, named + " hors du fichier");
    std::string why;
    if (!readIndexPage(*m_pages, page, loaded.image, why, *m_format))
        return damaged(error, named + " illisible");
    if (loaded.image.owner != m_owner)
        return damaged(error, "la " + named + " appartient à une autre table");
    JetUsageMap map;
    if (!JetUsageMap::open(*m_pages, m_pagesMap, map, why))
        return damaged(error, "carte de ses pages illisible");
    if (!map.contains(page))
        return damaged(error, "la " + named + " n'est pas l'une de ses pages");
    const JetIndexPageImage& image = loaded.image;
    for (std::uint32_t link : {image.previous, image.next, image.leaf ? 0 : image.tail}) {
        if (link == page)
            return damaged(error, named + " liée à elle-même");
        if (link >= count)
            return damaged(error, named + " liée au-delà du fichier");
    }
    loaded.page = page;
    return true;
}

bool JetIndexTree::load(std::uint32_t page, int depth, Node*& node, std::string& error)
{
    const auto known = m_nodes.find(page);
    if (known != m_nodes.end()) {
        node = &known->second;
        return !node->freed || damaged(error, "page " + std::to_string(page) + " nommée après sa libération");
    }
    if (depth > kDeepest)
        return damaged(error, "arbre trop profond ou bouclé");
    Node loaded;
    if (!readNode(page, loaded, error))
        return false;
    loaded.items = std::move(loaded.image.entries);
    loaded.image.entries.clear();
    if (!loaded.image.leaf && loaded.image.tail != 0) {
        JetIndexEntry tail;
        if (!lastEntry(loaded.image.tail, depth + 1, tail, error))
            return false;
        tail.child = loaded.image.tail;
        if (!loaded.items.empty() && !indexEntryLess(loaded.items.back(), tail))
            return damaged(error, "page " + std::to_string(page) + " en désordre");
        loaded.items.push_back(tail);
    }
    node = &m_nodes.emplace(page, std::move(loaded)).first->second;
    return true;
}

bool JetIndexTree::lastEntry(std::uint32_t page, int depth, JetIndexEntry& last, std::string& error)
{
    Node* node = nullptr;
    if (!load(page, depth, node, error))
        return false;
    if (node->items.empty())
        return damaged(error, "page " + std::to_string(page) + " vide");
    last = node->items.back();
    last.child = 0;
    return true;
}

bool JetIndexTree::descend(const JetIndexEntry& target, std::vector<Step>& path, std::string& error)
{
    path.clear();
    std::uint32_t page = m_root;
    for (int depth = 0;; ++depth) {
        Node* node = nullptr;
        if (depth > kDeepest)
            return damaged(error, "arbre trop profond ou bouclé");
        // A child naming a page met higher on the way down loops back to it.
        if (std::any_of(path.begin(), path.end(), [page](const Step& step) { return step.page == page; }))
            return damaged(error, "page " + std::to_string(page) + " nommée par une page plus bas qu'elle");
        if (!load(page, depth, node, error))
            return false;
        if (node->image.leaf) {
            path.push_back({page, 0});
            return true;
        }
        if (node->items.empty())
            return damaged(error, "page intermédiaire " + std::to_string(page) + " vide");
        const auto at = std::lower_bound(node->items.begin(), node->items.end(), target, indexEntryLess);
        const std::size_t child = at == node->items.end() ? node->items.size() - 1
                                                          : static_cast<std::size_t>(at - node->items.begin());
        path.push_back({page, child});
        page = node->items[child].child;
    }
}

bool JetIndexTree::insert(const JetIndexEntry& entry, std::uint32_t& nextNewPage, std::string& error)
{
    std::vector<Step> path;
    if (!descend(entry, path, error))
        return false;
    Node& leaf = node(path.back().page);
    const auto at = std::lower_bound(leaf.items.begin(), leaf.items.end(), entry, indexEntryLess);
    if (at != leaf.items.end() && sameEntry(*at, entry))
        return damaged(error, "entrée déjà présente");
    leaf.items.insert(at, JetIndexEntry{entry.key, entry.row, 0});
    leaf.changed = true;
    return settle(path, Change::Grow, nextNewPage, error);
}

bool JetIndexTree::remove(const JetIndexEntry& entry, std::uint32_t& nextNewPage, std::string& error)
{
    std::vector<Step> path;
    if (!descend(entry, path, error))
        return false;
    Node& leaf = node(path.back().page);
    const auto at = std::lower_bound(leaf.items.begin(), leaf.items.end(), entry, indexEntryLess);
    if (at == leaf.items.end() || !sameEntry(*at, entry))
        return damaged(error, "la ligne " + std::to_string(entry.row.page) + ":" + std::to_string(entry.row.row) +
                                  " n'y figure pas");
    leaf.items.erase(at);
    leaf.changed = true;
    // A parent's entry may grow with the last entry it repeats: the parent may have to split.
    return settle(path, Change::Shrink, nextNewPage, error);
}

bool JetIndexTree::holdsKey(const std::vector<unsigned char>& key, bool& found, std::string& error)
{
    found = false;
    const JetIndexEntry target{key, {0, 0}, 0};
    std::vector<Step> path;
    if (!descend(target, path, error))
        return false;
    const Node& leaf = node(path.back().page);
    const auto at = std::lower_bound(leaf.items.begin(), leaf.items.end(), target, indexEntryLess);
    found = at != leaf.items.end() && at->key == key;
    return true;
}

bool JetIndexTree::collect(const std::vector<unsigned char>& prefix, std::vector<JetRowId>& rows, std::string& error)
{
    const JetIndexEntry target{prefix, {0, 0}, 0};
    std::vector<Step> path;
    if (!descend(target, path, error))
        return false;
    const Node* leaf = &node(path.back().page);
    auto at = std::lower_bound(leaf->items.begin(), leaf->items.end(), target, indexEntryLess);
    // Leaves are linked from first to last: the matching entries may go on over several, each
    // met once.
    std::set<std::uint32_t> met{leaf->page};
    for (;;) {
        for (; at != leaf->items.end(); ++at) {
            if (at->key.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), at->key.begin()))
                return true;
            rows.push_back(at->row);
        }
        Node* next = nullptr;
        if (leaf->image.next == 0)
            return true;
        if (!met.insert(leaf->image.next).second)
            return damaged(error, "feuilles liées en boucle");
        if (!load(leaf->image.next, 0, next, error))
            return false;
        if (!next->image.leaf)
            return damaged(error, "page " + std::to_string(next->page) + " liée aux feuilles");
        leaf = next;
        at = leaf->items.begin();
    }
}

// Going up from the leaf: an emptied page leaves its parent (the root stays, as an empty leaf
// once nothing is left), a page too full is split, and each parent's entry for its child is
// made to repeat the child's last entry again.
bool JetIndexTree::settle(std::vector<Step>& path, Change change, std::uint32_t& nextNewPage, std::string& error)
{
    for (std::size_t level = path.size(); level-- > 0;) {
        Node& n = node(path[level].page);
        if (n.items.empty()) {
            n.changed = true;
            if (level == 0) {
                n.image.leaf = true;
                continue;
            }
            Node& parent = node(path[level - 1].page);
            parent.items.erase(parent.items.begin() + static_cast<std::ptrdiff_t>(path[level - 1].child));
            parent.changed = true;
            if (!unlink(n, error))
                return false;
            n.freed = true;
            continue;
        }
        // A page that grows is split once its entries no longer fit whole, so that the pages
        // written here need no prefix; one that shrinks may keep the prefix it was read with.
        if (!(change == Change::Grow ? fitsWhole(n) : fits(n))) {
            if (level == 0) {
                if (!nestRoot(path, nextNewPage, error))
                    return false;
                level = 1;
            }
            if (!split(path, level, nextNewPage, error))
                return false;
        }
        if (level > 0) {
            Node& parent = node(path[level - 1].page);
            const Node& child = node(path[level].page);
            JetIndexEntry& item = parent.items[path[level - 1].child];
            item.key = child.items.back().key;
            item.row = child.items.back().row;
            parent.changed = true;
        }
    }
    return true;
}

bool JetIndexTree::newNode(bool leaf, std::uint32_t& nextNewPage, Node*& created, std::string& error)
{
    const std::uint32_t page = nextNewPage;
    if (!mapsCoverPage(*m_pages, {m_pagesMap}, page)) {
        error = "La carte des pages d'un index de la table ne peut pas encore recevoir une page de plus : "
                "la modification n'a pas été faite.";
        return false;
    }
    ++nextNewPage;
    Node fresh;
    fresh.page = page;
    fresh.image.leaf = leaf;
    fresh.image.owner = m_owner;
    fresh.changed = true;
    m_newPages.push_back(page);
    created = &m_nodes.emplace(page, std::move(fresh)).first->second;
    return true;
}

// The root keeps its page: what it holds moves to a new page, its only child.
bool JetIndexTree::nestRoot(std::vector<Step>& path, std::uint32_t& nextNewPage, std::string& error)
{
    Node* child = nullptr;
    if (!newNode(node(m_root).image.leaf, nextNewPage, child, error))
        return false;
    Node& root = node(m_root);
    child->items = std::move(root.items);
    root.items = {JetIndexEntry{child->items.back().key, child->items.back().row, child->page}};
    root.image.leaf = false;
    root.changed = true;
    path.insert(path.begin() + 1, Step{child->page, path.front().child});
    path.front().child = 0;
    return true;
}

// The first half of the page's entries moves to a new page placed before it among its peers;
// the parent gains an entry for the new page just before the page's own.
bool JetIndexTree::split(std::vector<Step>& path, std::size_t level, std::uint32_t& nextNewPage, std::string& error)
{
    Node* left = nullptr;
    const bool leaf = node(path[level].page).image.leaf;
    if (node(path[level].page).items.size() < 2 || !newNode(leaf, nextNewPage, left, error))
        return error.empty() ? damaged(error, "entrée plus grande qu'une page") : false;
    Node& right = node(path[level].page);
    const auto half = right.items.begin() + static_cast<std::ptrdiff_t>((right.items.size() + 1) / 2);
    left->items.assign(right.items.begin(), half);
    right.items.erase(right.items.begin(), half);
    right.changed = true;
    left->image.previous = right.image.previous;
    left->image.next = right.page;
    if (right.image.previous != 0 && !setLink(right.image.previous, leaf, true, left->page, error))
        return false;
    right.image.previous = left->page;
    if (!leaf) {
        // Below the leaves, peers are linked only under one parent.
        const std::uint32_t lastChild = left->items.back().child;
        const std::uint32_t firstChild = right.items.front().child;
        Node* below = nullptr;
        if (!load(lastChild, 0, below, error))
            return false;
        if (!below->image.leaf &&
            (!setLink(lastChild, false, true, 0, error) || !setLink(firstChild, false, false, 0, error)))
            return false;
    }
    Node& parent = node(path[level - 1].page);
    const std::size_t at = path[level - 1].child;
    parent.items.insert(parent.items.begin() + static_cast<std::ptrdiff_t>(at),
                        JetIndexEntry{left->items.back().key, left->items.back().row, left->page});
    parent.changed = true;
    path[level - 1].child = at + 1;
    if (!fitsWhole(*left) || !fitsWhole(right))
        return damaged(error, "entrée plus grande qu'une demi-page");
    return true;
}

bool JetIndexTree::unlink(Node& gone, std::string& error)
{
    const std::uint32_t previous = gone.image.previous;
    const std::uint32_t next = gone.image.next;
    const bool leaf = gone.image.leaf;
    return (previous == 0 || setLink(previous, leaf, true, next, error)) &&
           (next == 0 || setLink(next, leaf, false, previous, error));
}

// A peer is a page of the index at the same level: a link to anything else is damage.
bool JetIndexTree::setLink(std::uint32_t page, bool leaf, bool next, std::uint32_t value, std::string& error)
{
    Node* peer = nullptr;
    if (!load(page, 0, peer, error))
        return false;
    if (peer->image.leaf != leaf)
        return damaged(error, "page " + std::to_string(page) + " liée à une page d'un autre niveau");
    (next ? peer->image.next : peer->image.previous) = value;
    peer->changed = true;
    return true;
}

// A page is written whole while its entries fit so, with the prefix they share when only that
// makes them fit (as Access does); past that it is split.
bool JetIndexTree::fitsWhole(const Node& n) const
{
    const std::size_t count = storedCount(n);
    const std::size_t trailer = n.image.leaf ? indexpage::kRowPointerSize
                                             : indexpage::kRowPointerSize + indexpage::kChildSize;
    std::size_t used = 0;
    for (std::size_t i = 0; i < count; ++i)
        used += n.items[i].key.size() + trailer;
    const auto firstEntry = static_cast<std::size_t>(m_format->indexFirstEntry());
    return used <= m_pages->pageSize() - firstEntry && used < static_cast<std::size_t>(m_format->indexBitmapSize) * 8;
}

int JetIndexTree::prefixFor(const Node& n) const
{
    if (fitsWhole(n))
        return 0;
    return sharedPrefixLength(std::span(n.items.data(), storedCount(n)), n.image.leaf);
}

bool JetIndexTree::fits(const Node& n) const
{
    if (fitsWhole(n))
        return true;
    const std::span<const JetIndexEntry> stored(n.items.data(), storedCount(n));
    return indexEntriesFit(stored, n.image.leaf, sharedPrefixLength(stored, n.image.leaf), m_pages->pageSize(),
                           *m_format);
}

std::size_t JetIndexTree::storedCount(const Node& n)
{
    return n.image.leaf || n.items.size() < 2 ? n.items.size() : n.items.size() - 1;
}

bool JetIndexTree::write(Node& n)
{
    const int prefix = prefixFor(n);
    // The entries are lent to the page image and taken back, the tail's item aside.
    const bool tail = storedCount(n) < n.items.size();
    JetIndexEntry tailItem;
    if (tail) {
        tailItem = std::move(n.items.back());
        n.items.pop_back();
    }
    JetIndexPageImage image = n.image;
    image.entries = std::move(n.items);
    image.tail = tail ? tailItem.child : 0;
    image.prefixLength = prefix;
    unsigned char* page = m_pages->change(n.page);
    const bool written = page != nullptr && writeIndexPage(image, page, m_pages->pageSize(), *m_format);
    n.items = std::move(image.entries);
    if (tail)
        n.items.push_back(std::move(tailItem));
    return written;
}

bool JetIndexTree::apply()
{
    bool inPlace = true;
    for (std::uint32_t page : m_newPages)
        inPlace = appendMappedPage(*m_pages, {m_pagesMap}) == page && inPlace;
    for (auto it = m_nodes.begin(); it != m_nodes.end();) {
        Node& n = it->second;
        if (n.freed) {
            releaseMappedPage(*m_pages, m_pagesMap, it->first);
            it = m_nodes.erase(it);
            continue;
        }
        if (n.changed)
            inPlace = write(n) && inPlace;
        n.changed = false;
        ++it;
    }
    m_newPages.clear();
    // The pages read stay known for the next change, as long as they are not too many.
    if (m_nodes.size() > kMostNodesKept)
        m_nodes.clear();
    return inPlace;
}

void JetIndexTree::discard()
{
    m_nodes.clear();
    m_newPages.clear();
}

}  // namespace kervane::jet
