#pragma once
// A commit cut short by a crash leaves its journal beside the Jet file (a "hot" journal). The
// file may then hold part of the commit: before anything reads the file, the journal's
// original pages are written back and the file cut to its former length. A journal whose
// header or records do not check was being written when the crash came, before the file was
// touched: it is simply removed.
//
// A journal is only settled under the writer's lock (JetWriteLock.h): while another process
// holds it, the journal is its commit still running, and is left alone.
#include <string>

namespace kervane::jet {

class JetFileLocks;

enum class Recovery {
    Nothing,       // no journal beside the file
    RolledBack,    // a complete journal was rolled back: the file is as before that commit
    TornRemoved,   // an incomplete journal was removed: the file had not been touched
    LeftToWriter,  // another writer (a commit under way, or Access) has the file: left alone
};

// To be called before a Jet file is opened, for reading or writing. True when the file may be
// read (LeftToWriter included: a reader may go on, a writer must refuse); false with a French
// message when a journal had to be settled and could not be (no right to write the file...).
bool recoverInterruptedCommit(const std::string& path, Recovery& outcome, std::string& error);

// The same through `locks`, an open of the file that readers of this connection share: the
// writer's lock taken (unless already held), the statements of other connections waited for
// while pages are put back.
bool recoverWithLocks(const std::string& path, JetFileLocks& locks, Recovery& outcome, std::string& error);

// The same for a writer already holding the lock through `fileFd` (open for writing); the
// statements of other connections are the caller's to keep out (JetFileLocks::excludeReaders).
bool settleJournal(const std::string& path, int fileFd, Recovery& outcome, std::string& error);

}  // namespace kervane::jet
