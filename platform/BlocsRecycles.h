#pragma once
// The large blocks of a result let go (its texts, its cell offsets), kept for the next result
// to be read into: their pages already belong to the process, so filling them again costs no
// fresh page from the system, cleared first. One block of each kind is kept, the larger, and
// only from 1 MiB on; a reading takes them when it starts. Safe from any thread (results are
// read on a worker thread, grids let go of theirs on the interface thread).
#include "platform/FinsCellules.h"

#include <QByteArray>

namespace kervane::recyclage {

// Keeps the block when it is the larger of its kind; otherwise it is freed at once.
void deposer(QByteArray&& texte);
void deposer(FinsCellules&& fins);
// The kept block, its size its whole capacity (texts) or no offset in it (offsets); an empty
// one when none is kept.
QByteArray reprendreTexte();
FinsCellules reprendreFins();
// Gives the kept blocks back to the system.
void vider();

}  // namespace kervane::recyclage
