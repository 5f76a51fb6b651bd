#pragma once
// A table definition cut into its parts, each kept as the file holds it (the bytes Access leaves
// unexplained included), so that a column or an index can be added or taken out and the rest
// written back unchanged: the header, a row count per stored index, the column blocks and their
// names, the stored index blocks, the index blocks as the user sees them and their names, and
// what follows (the long-value maps of memo and OLE columns, the closing 0xFFFF).
#include "driver/jet/format/JetFileFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

struct JetDefinitionImage {
    struct Named {
        std::vector<unsigned char> block;
        std::vector<unsigned char> name;  // its length, then its bytes, as stored
    };
    const JetFileFormat* format = &jet4FileFormat();
    std::vector<unsigned char> header;
    std::vector<std::vector<unsigned char>> indexCounts;
    std::vector<Named> columns;
    std::vector<std::vector<unsigned char>> realIndexes;
    std::vector<Named> logicalIndexes;
    std::vector<unsigned char> tail;

    // The definition's bytes again, its counts and length set from the parts.
    std::vector<unsigned char> bytes() const;
};

// Cuts the definition `bytes` (readDefinitionBytes); false when its parts run past its end.
bool readDefinitionImage(const std::vector<unsigned char>& bytes, const JetFileFormat& format,
                         JetDefinitionImage& image);

// Writes `bytes`, a definition, over the chain of pages starting on `page`: pages added to the
// chain or given back as its length needs. False with a French message when a page is refused.
bool rewriteDefinition(JetPages& pages, std::uint32_t page, const std::vector<unsigned char>& bytes,
                       std::string& error);

// A name as a definition stores it (Jet 4: UTF-16LE after two bytes of length; Jet 3: the
// file's code page after one); false with a French message when it cannot be written so.
bool storedName(const std::string& name, const JetFileFormat& format, int codePage, std::vector<unsigned char>& out,
                std::string& error);

}  // namespace kervane::jet
