#pragma once
// Cancelling a statement that reads Access tables. SQLite checks its own interrupt only between
// the steps of a statement, and one step over an Access table can walk many pages (the rows of
// a page all deleted, a long value); the Jet scans check this request at every page and row.

struct sqlite3;

namespace kervane::jet {

// Asks every scan of an Access table now open on `db` to stop at its next page or row: the
// statement then fails with SQLITE_INTERRUPT and a French message. Call it beside
// sqlite3_interrupt(db), from any thread, as often as needed. It concerns only the scans open
// at the time of the call and is forgotten once the last of them closes (the statement reset
// or finalized), so the next statement runs normally; with no scan open it does nothing.
void interruptJetScans(sqlite3* db);

}  // namespace kervane::jet
