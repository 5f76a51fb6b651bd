#include "driver/jet/format/JetFileFormat.h"

namespace kervane::jet {

namespace {

JetFileFormat makeJet3()
{
    JetFileFormat f;
    f.jet3 = true;
    f.pageSize = 2048;
    f.definitionRowCount = 12;
    f.definitionAutoNumber = 16;
    f.definitionComplexAutoNumber = -1;
    f.definitionTableType = 20;
    f.definitionMaxColumns = 21;
    f.definitionVariableColumns = 23;
    f.definitionColumnCount = 25;
    f.definitionLogicalIndexes = 27;
    f.definitionRealIndexes = 31;
    f.definitionOwnedPages = 35;
    f.definitionFreeSpacePages = 39;
    f.definitionFirstBlock = 43;
    f.realIndexSize = 8;
    f.realIndexBlockSize = 39;
    f.logicalIndexSize = 20;
    f.realIndexKeys = 0;
    f.realIndexUsageMap = 30;
    f.realIndexRoot = 34;
    f.realIndexFlags = 38;
    f.logicalIndexReal = 4;
    f.logicalIndexKind = 19;
    f.indexPrevious = 8;
    f.indexNext = 12;
    f.indexTail = 16;
    f.indexPrefixLength = 20;
    f.indexPrefixSize = 1;
    f.indexIntermediateFlag = 21;
    f.indexBitmap = 22;
    f.indexBitmapSize = 226;
    f.columnSize = 18;
    f.columnNumber = 1;
    f.columnVariableIndex = 3;
    // Genuine Access 97 files keep the sort order (0x0409) at 9 and a text's code page (1252)
    // at 11, where a number keeps its precision and scale.
    f.columnPrecision = 11;
    f.columnScale = 12;
    f.columnFlags = 13;
    f.columnFixedOffset = 14;
    f.columnLength = 16;
    f.columnCodePage = 11;
    f.columnMoreFlags = -1;
    f.columnComplexId = -1;
    f.nameLengthSize = 1;
    f.pageRowCount = 8;
    f.pageFirstSlot = 10;
    f.rowCountSize = 1;
    f.maxRowSize = 2012;
    f.maxLongValueRow = 2032;
    return f;
}

}  // namespace

const JetFileFormat& jet3FileFormat()
{
    static const JetFileFormat format = makeJet3();
    return format;
}

const JetFileFormat& jet4FileFormat()
{
    static const JetFileFormat format;
    return format;
}

const JetFileFormat& fileFormatFor(std::size_t pageSize)
{
    return pageSize == 2048 ? jet3FileFormat() : jet4FileFormat();
}

}  // namespace kervane::jet
