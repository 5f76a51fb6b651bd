#pragma once
// A commit cut short by a crash leaves its journal beside the Jet file (JetJournal.h). Before
// anything reads or writes the file the journal is settled, and it is played into the file
// only when the file is a state that journal could have come from; otherwise the file is
// never touched.
//
//  - Nothing at the journal's path: nothing to do.
//  - Anything but a regular file there (a symbolic link, dangling or not, a folder, a pipe):
//    we only ever create regular files, so it is no journal of ours. It is neither followed
//    nor opened: readers read the file, a writer refuses to change it while that is there.
//  - A sealed journal: when the file's page 0 is not the one it was made against, when a page
//    it covers is neither its original nor its new bytes, when an appended page is neither its
//    new bytes nor zeros, or when the length is not between the ones before and after, the
//    journal is another base's or a copy's, or older than the file's state: it is set aside
//    (renamed "<journal>.etranger" or "<journal>.perime"), the file untouched. Otherwise: every
//    page original and the length before, the commit never reached the file; every page new
//    and the length after, it reached it whole and stays; either way the journal is removed.
//    Anything between is rolled back.
//  - A journal without its seal stopped before its commit touched the file: it is removed when
//    the file shows exactly that (every record that checks finds its page original, the length
//    the one before). When the file shows new bytes or another length, it was sealed once and
//    lost its end: the file may hold half a commit, and it is refused as below.
//  - A sealed journal damaged (a record that does not check, the header unlike the seal's
//    copy, a wrong length) made for this file: the file may hold half a commit that cannot be
//    undone. Nothing is applied nor removed; every opening and every writer is refused with a
//    French message saying what to do. Another base's or state's: set aside.
//  - A file there that is no journal of ours: set aside; one shorter than a header, cut
//    before its header was written: removed.
//  - A journal of the first format has no identity, no seal and no new bytes: it can only show
//    that the file was not touched (every record's page original, the length the one before),
//    and is then removed. Otherwise it cannot tell half of its commit from another base or a
//    later state: playing it could ruin the file, setting it aside could leave half a commit
//    to be worked on. The base is refused, and the message says what to do.
//
// A journal is only settled under the writer's lock (JetWriteLock.h): while another process
// holds it, the journal is its commit still running, and is left alone.
#include <string>

namespace kervane::jet {

class JetFileLocks;

enum class Recovery {
    Nothing,       // no journal beside the file
    RolledBack,    // a commit cut short was undone: the file is as before it
    Removed,       // the journal's commit had not touched the file, or had reached it whole: journal removed
    SetAside,      // the journal was not made for the file as it is: renamed beside it, the file untouched
    LeftToWriter,  // another writer (a commit under way, or Access) has the file: left alone
    NotAJournal,   // something other than a regular file at the journal's path: left alone
};

// To be called before a Jet file is opened, for reading or writing. True when the file may be
// read (LeftToWriter and NotAJournal included: a reader may go on, a writer must refuse); with
// SetAside, `message` is the French notice of what was found and done, for the user. False
// with a French message when the file must not be opened: a damaged journal of a commit that
// may be half written, or a journal that had to be settled and could not be.
bool recoverInterruptedCommit(const std::string& path, Recovery& outcome, std::string& message);

// The same through `locks`, an open of the file that the statements of this connection share:
// the writer's lock taken (unless already held), the statements of other connections kept out
// while pages are put back.
bool recoverWithLocks(const std::string& path, JetFileLocks& locks, Recovery& outcome, std::string& message);

// The same for a writer already holding the lock through `fileFd` (open for writing), the
// statements of other connections kept out by the caller (JetFileLocks::excludeReaders); false
// also for NotAJournal, which stops every commit.
bool settleJournal(const std::string& path, int fileFd, Recovery& outcome, std::string& message);

// For a writer whose commit failed after its journal was sealed: the journal's original pages
// are put back whatever the file shows (pages that read as written may not have reached the
// disk), the file cut to its former length and synced, the journal removed. False when that
// failed too: the journal stays for the next opening.
bool undoFailedCommit(const std::string& path, int fileFd);

}  // namespace kervane::jet
