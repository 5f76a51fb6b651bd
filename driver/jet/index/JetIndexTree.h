#pragma once
// One index of a Jet 3 or Jet 4 table changed as Access keeps it: a tree of index pages whose leaves hold
// one entry (key, row) per row in ascending order and are linked from first to last; an
// intermediate page holds one entry per child page repeating that child's last entry, except
// that when it has several children the last one is named by its tail pointer instead.
// Intermediate pages are linked only to those of the same parent. A change is planned on copies
// of the pages; apply() writes the plan, so that a change refused while planning (a damaged
// page, a map that cannot take a new page) leaves the file's pages as they were.
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetIndexPage.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

class JetIndexTree {
public:
    // The index whose tree starts at `root`, its pages owned by the table definition `owner` and
    // marked in the usage map `pagesMap`; its pages laid as `format` says (Jet 4 when left out).
    // `name` starts the messages saying it is damaged ("L'index sur « N » de la table « T »").
    JetIndexTree(JetPages& pages, std::uint32_t owner, std::uint32_t root, JetRowId pagesMap,
                 const JetFileFormat& format = jet4FileFormat(), std::string name = "Un index de la table");

    // Plans the entry's insertion. New pages are numbered from `nextNewPage`, advanced past
    // those taken; they must be the next pages appended when the plan is applied.
    bool insert(const JetIndexEntry& entry, std::uint32_t& nextNewPage, std::string& error);
    // Plans the removal of the entry (key and row); false when the index does not hold it. A
    // parent page may have to split (its entry for the page grown): new pages as for insert().
    bool remove(const JetIndexEntry& entry, std::uint32_t& nextNewPage, std::string& error);
    // `found` is true when an entry of the plan holds exactly `key`.
    bool holdsKey(const std::vector<unsigned char>& key, bool& found, std::string& error);
    // Adds to `rows` the rows of the entries whose key starts with `prefix`, in the index's
    // order; to be asked between plans.
    bool collect(const std::vector<unsigned char>& prefix, std::vector<JetRowId>& rows, std::string& error);
    // The pages the plan appends.
    std::size_t newPageCount() const { return m_newPages.size(); }

    // Writes the planned pages, appending the new ones in their order, and starts a new plan;
    // false when a new page did not get the number planned (pages appended by someone else
    // meanwhile) or a page could not be written, the transaction's pages then to be put back
    // by the caller. The pages read
    // are kept for the next plan: only this tree may change them meanwhile.
    bool apply();
    // Forgets the plan and the pages read.
    void discard();

private:
    struct Node {
        std::uint32_t page = 0;
        JetIndexPageImage image;            // the header as read (links, owner)
        std::vector<JetIndexEntry> items;   // intermediate: one per child, the tail's included
        bool changed = false;
        bool freed = false;
    };
    struct Step {
        std::uint32_t page;
        std::size_t child;  // the item followed (intermediate pages)
    };

    bool load(std::uint32_t page, int depth, Node*& node, std::string& error);
    bool readNode(std::uint32_t page, Node& loaded, std::string& error);
    bool damaged(std::string& error, const std::string& why) const;
    bool lastEntry(std::uint32_t page, int depth, JetIndexEntry& last, std::string& error);
    bool descend(const JetIndexEntry& target, std::vector<Step>& path, std::string& error);
    enum class Change { Grow, Shrink };
    bool settle(std::vector<Step>& path, Change change, std::uint32_t& nextNewPage, std::string& error);
    bool newNode(bool leaf, std::uint32_t& nextNewPage, Node*& node, std::string& error);
    bool nestRoot(std::vector<Step>& path, std::uint32_t& nextNewPage, std::string& error);
    bool split(std::vector<Step>& path, std::size_t level, std::uint32_t& nextNewPage, std::string& error);
    bool unlink(Node& node, std::string& error);
    bool setLink(std::uint32_t page, bool leaf, bool next, std::uint32_t value, std::string& error);
    bool fits(const Node& node) const;
    bool fitsWhole(const Node& node) const;
    int prefixFor(const Node& node) const;
    // The items a page stores as entries: all but the tail's.
    static std::size_t storedCount(const Node& node);
    bool write(Node& node);
    Node& node(std::uint32_t page) { return m_nodes.at(page); }

    JetPages* m_pages;
    const JetFileFormat* m_format;
    std::uint32_t m_owner;
    std::uint32_t m_root;
    JetRowId m_pagesMap;
    std::string m_name;
    std::map<std::uint32_t, Node> m_nodes;
    std::vector<std::uint32_t> m_newPages;
};

}  // namespace kervane::jet
