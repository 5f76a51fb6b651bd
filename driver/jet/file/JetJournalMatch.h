#pragma once
// How the file beside a journal stands against the two states the journal's commit goes
// between: page by page and sector by sector, its original bytes or its new ones; the
// length, the one before or the one after. JetRecovery.h decides from this what to do.
#include "driver/jet/file/JetJournal.h"

namespace kervane::jet {

struct JournalMatch {
    bool identity = true;     // page 0 is the one the journal was made against
    bool inRange = true;      // the length lies between the one before and the one after
    bool foreignPage = false;  // a page covered is neither its original nor its new bytes
    bool touched = false;     // a page covered is not its original, or the length not the one before
    bool whole = true;        // every page covered is its new bytes and the length the one after
    bool damaged = false;     // a record is missing, out of order or does not check
};

// Reads every record of the journal of `facts` open as `journalFd` and the pages they cover
// in the file open as `fileFd`. Only the records that check count; a version 1 journal,
// which does not know the new bytes, tells only whether a page is its original. 0 or errno.
int matchJournal(int journalFd, const JournalFacts& facts, int fileFd, JournalMatch& match);

// Puts back the original pages of a sealed journal, cuts the file to its length before the
// commit and syncs it. 0 or errno (EIO for a record that does not check).
int rollBackFromJournal(int journalFd, const JournalFacts& facts, int fileFd);

}  // namespace kervane::jet
