#pragma once
// The drag state of a tables tree: a drag starts by hand from the tree's mouse handlers,
// so that a plain click keeps selecting and expanding nodes and only a real movement with
// the left button held drags a name. Positions are in twips.
#include <QtGlobal>

namespace kervane {

struct EtatGlisser {
    qint32 nPresseX = 0;   // last press on the tree
    qint32 nPresseY = 0;
    float fDernierX = 0;   // last position of a left-button move
    float fDernierY = 0;
    bool bGaucheBas = false;
    bool bDroitBas = false;
    bool bGaucheArme = false;     // the left-button move passed the distance threshold
    bool bDroitArme = false;
    bool bGaucheRelache = false;
    bool bDroitRelache = false;
    bool bGlisse = false;         // a drag was started since the last press
    bool bDeposeA = false;        // kept for the drop side
    bool bDeposeB = false;

    // A press: every flag cleared, the position kept, the button's flag set (1 left, 2 right).
    void presser(int nBouton, float x, float y);
    // A release after a drag was armed.
    void relacher();
    // A move with the left button held; bNoeudSousPression: a node lies under the press
    // point. True when the drag must start now (once per press).
    bool deplacer(float x, float y, bool bNoeudSousPression);
};

// Moves shorter than this (in twips) from the press point start no drag.
constexpr double SEUIL_GLISSER = 3.0;

}  // namespace kervane
