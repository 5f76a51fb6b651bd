#pragma once
// The geometry of a query window: the sizes Form_Resize and MaximiserTableau compute from
// the window's size, and the design-time places of the controls. Frames are placed in
// pixels; the sizes inside a frame are computed in twips (15 per pixel), as designed.
#include <QtGlobal>
#include <optional>

namespace kervane {

namespace disposition {

constexpr int TWIPS = 15;               // twips per pixel
constexpr int BORDURE_FENETRE = 8;      // outer width minus inner width, in pixels
constexpr int GAUCHE_CADRES = 7;
constexpr int HAUT_CONCEPTION = 4;
constexpr int HAUTEUR_CONCEPTION = 140;
constexpr int ECART = 8;                // between the frames; result-frame top when maximised
constexpr int MARGE_BAS = 3;
constexpr int HAUT_ONGLETS = 18;        // tab strip top inside the result frame
constexpr int HAUTEUR_ENTETE_ONGLETS = 480 / TWIPS;
constexpr int GAUCHE_PAGES = 14;
constexpr int MARGE_PAGE_GAUCHE = 5;    // tree and grid inside their page
constexpr int MARGE_PAGE_HAUT = 4;
constexpr int HAUTEUR_LIGNE_INFO = 22;

// Design-time places inside the design frame.
constexpr int GAUCHE_CONTROLES = 8;
constexpr int HAUT_TXT_CONCEPTION = 15;
constexpr int HAUT_COMBO = 33;
constexpr int HAUTEUR_COMBO = 24;
constexpr int HAUT_TXT_NOUVELLE = 60;
constexpr int HAUT_EDITEUR = 77;
constexpr int HAUTEUR_EDITEUR = 56;
constexpr int LARGEUR_BOUTON = 60;
constexpr int HAUTEUR_BOUTON = 26;
constexpr int LARGEUR_DIMENSION = 81;

}  // namespace disposition

// Widths from the window's outer width; a field left empty keeps its current value.
struct Largeurs {
    int nConception = 0;                     // design and result frames, pixels
    int nCombo = 0;                          // twips, also the tab strip's width
    std::optional<int> nGaucheBouton;        // twips
    std::optional<int> nEditeur;             // twips
    std::optional<int> nGaucheDimension;     // twips
    std::optional<int> nLigneInfo;           // twips
    std::optional<int> nPages;               // twips
};

// Heights from the window's inner height and the result frame's top.
struct Hauteurs {
    int nResultat = 0;  // pixels
    int nOnglets = 0;   // twips, tab strip with its pages
    int nPages = 0;     // twips
    int nArbre = 0;     // twips, tree and grid
};

// nLargeurTwips: the window's outer width in twips.
Largeurs calculerLargeurs(int nLargeurTwips);
// Tree and grid width in twips for a page width in twips.
int largeurArbre(int nPagesTwips);
// nInterieur: the window's inner height in pixels; nHautResultat: result-frame top in pixels.
Hauteurs calculerHauteurs(int nInterieur, int nHautResultat);
// a - b, or b - a when a < b: no size is ever negative.
int difference(int a, int b);
// The smallest inner height, in pixels, at which the grid (or the tree) still gets
// nHauteurGrille pixels under the design frame.
int hauteurInterieureMinimale(int nHauteurGrille);

}  // namespace kervane
