#include "export/LignesGrille.h"

#include "export/ClasseurXlsx.h"
#include "export/ExporterTableau.h"
#include "export/HauteurLigne.h"
#include "export/ValeurCellule.h"
#include "platform/spread/vaSpread.h"

#include <QStringList>

#include <array>

namespace kervane {
namespace {

constexpr quint8 REMARQUEE = 16;  // beside the Bord flags: the cell is shown in colour 41

AttributsCellule attributsLigne()
{
    AttributsCellule a;
    a.alignementV = AlignementV::Haut;
    a.bRetourLigne = true;
    return a;
}

AttributsCellule attributsTitre(bool bRemarquee)
{
    AttributsCellule a = attributsLigne();
    a.bordGauche = a.bordDroit = a.bordHaut = a.bordBas = Trait::Moyen;
    a.alignementH = AlignementH::Centre;
    a.bGras = true;
    a.nCouleurFond = COULEUR_TITRES;
    if (bRemarquee)
        a.nCouleurPolice = COULEUR_INDEX_41;
    return a;
}

// A data cell: its frame edges and whether it is remarked, as the low five bits of nGenre.
AttributsCellule attributsDonnee(quint8 nGenre)
{
    AttributsCellule a = attributsLigne();
    const auto trait = [&](quint8 nBord) { return (nGenre & nBord) != 0 ? Trait::Fin : Trait::Aucun; };
    a.bordGauche = trait(BORD_GAUCHE);
    a.bordDroit = trait(BORD_DROIT);
    a.bordHaut = trait(BORD_HAUT);
    a.bordBas = trait(BORD_BAS);
    if ((nGenre & REMARQUEE) != 0) {
        a.nCouleurPolice = COULEUR_INDEX_41;
        a.bGras = true;
    }
    return a;
}

bool remarquee(const vaSpread& grille, qint32 nColonne, qint32 nLigne)
{
    const quint32 nCouleur = grille.Cells().foreColor(nColonne, nLigne);
    return nCouleur != 0 && (nCouleur & 0xFFFFFFu) == COULEUR_GRILLE_REMARQUEE;
}

// Writes the rows in order; the formats of data cells are looked up once per kind.
class EcrivainLignes {
public:
    EcrivainLignes(ClasseurXlsx& classeur, const vaSpread& grille) : m_classeur(classeur), m_grille(grille)
    {
        for (qint32 c = 1; c <= grille.MaxCols(); ++c)
            m_dLargeurs.push_back(grille.ColWidth(c) + 5);
    }

    void ecrireTitres()
    {
        const qint32 nLigne = commencerLigne(0);
        for (qint32 c = 1; c <= m_grille.MaxCols(); ++c)
            m_classeur.ecrireTexte(nLigne, c + 1, m_textes[c - 1],
                                   m_classeur.format(attributsTitre(remarquee(m_grille, c, 0))));
    }

    void ecrireDonnees(qint32 r, const std::vector<quint8>& bords)
    {
        const qint32 nLigne = commencerLigne(r);
        const QString& strSeparateur = Programme().strSeparateurDecimal;
        for (qint32 c = 1; c <= m_grille.MaxCols(); ++c) {
            const quint8 nGenre = bords[static_cast<std::size_t>(c)] | (remarquee(m_grille, c, r) ? REMARQUEE : 0);
            const QString& strTexte = m_textes[c - 1];
            double dNombre = 0;
            if (LireNombre(strTexte, strSeparateur, dNombre))
                m_classeur.ecrireNombre(nLigne, c + 1, dNombre, format(nGenre));
            else if (!strTexte.isEmpty())
                m_classeur.ecrireTexte(nLigne, c + 1, strTexte, format(nGenre));
            else if (nGenre != 0)  // otherwise the cell looks like its row: no entry
                m_classeur.ecrireVide(nLigne, c + 1, format(nGenre));
        }
    }

private:
    // Reads the row's texts and writes the row's own settings; its sheet row.
    qint32 commencerLigne(qint32 r)
    {
        m_textes.clear();
        for (qint32 c = 1; c <= m_grille.MaxCols(); ++c)
            m_textes << TexteCellule(m_grille.CellText(c, r));
        const qint32 nLigne = r + LIGNE_TITRES;
        if (!m_bFormatLigne) {
            m_formatLigne = m_classeur.format(attributsLigne());
            m_bFormatLigne = true;
        }
        m_classeur.definirLigne(nLigne, HauteurLigne(m_textes, m_dLargeurs), m_formatLigne);
        return nLigne;
    }

    ClasseurXlsx::Format format(quint8 nGenre)
    {
        if (!m_bConnus[nGenre]) {
            m_formats[nGenre] = m_classeur.format(attributsDonnee(nGenre));
            m_bConnus[nGenre] = true;
        }
        return m_formats[nGenre];
    }

    ClasseurXlsx& m_classeur;
    const vaSpread& m_grille;
    std::vector<double> m_dLargeurs;
    QStringList m_textes;
    ClasseurXlsx::Format m_formatLigne = nullptr;
    bool m_bFormatLigne = false;
    std::array<ClasseurXlsx::Format, 32> m_formats{};
    std::array<bool, 32> m_bConnus{};
};

}  // namespace

void EcrireLignesGrille(ClasseurXlsx& classeur, const vaSpread& grille, BordsBlocs& bords)
{
    EcrivainLignes ecrivain(classeur, grille);
    ecrivain.ecrireTitres();
    for (qint32 r = 1; r <= grille.MaxRows(); ++r)
        ecrivain.ecrireDonnees(r, bords.ligne(r));
}

}  // namespace kervane
