#pragma once
// How one sheet cell looks: font, alignment, wrapping, the four edges of its frame, colours
// and the date format. Two cells with equal attributes share one workbook format.
#include <QtGlobal>

#include <compare>

namespace kervane {

enum class Trait : quint8 { Aucun, Fin, Moyen };
enum class AlignementH : quint8 { Standard, Gauche, Centre, Droite };
enum class AlignementV : quint8 { Bas, Haut, Centre };

constexpr quint32 COULEUR_AUCUNE = 0xFFFFFFFFu;  // no colour of its own (RGB otherwise)

struct AttributsCellule {
    bool bGras = false;
    AlignementH alignementH = AlignementH::Standard;
    AlignementV alignementV = AlignementV::Bas;
    bool bRetourLigne = false;
    Trait bordGauche = Trait::Aucun;
    Trait bordDroit = Trait::Aucun;
    Trait bordHaut = Trait::Aucun;
    Trait bordBas = Trait::Aucun;
    quint32 nCouleurFond = COULEUR_AUCUNE;
    quint32 nCouleurPolice = COULEUR_AUCUNE;
    bool bFormatDate = false;  // shown as dd/mm/yy
    auto operator<=>(const AttributsCellule&) const = default;
};

}  // namespace kervane
