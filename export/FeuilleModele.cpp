#include "export/FeuilleModele.h"

#include "messages/Erreur.h"

#include <algorithm>

namespace kervane {

FeuilleModele::FeuilleModele(qint32 nLignes, qint32 nColonnes, QString strNom)
    : m_nLignes(std::max(nLignes, 1)), m_nColonnes(std::max(nColonnes, 1)), m_strNom(std::move(strNom))
{
    m_cellules.resize(static_cast<std::size_t>(m_nLignes) * static_cast<std::size_t>(m_nColonnes));
    m_stylesLignes.assign(static_cast<std::size_t>(m_nLignes), 0);
    m_largeurs.assign(static_cast<std::size_t>(m_nColonnes), 0.0);
    m_hauteurs.assign(static_cast<std::size_t>(m_nLignes), 0.0);
    enregistrer(AttributsCellule{});
}

qsizetype FeuilleModele::indice(qint32 nLigne, qint32 nColonne) const
{
    if (nLigne < 1 || nLigne > m_nLignes || nColonne < 1 || nColonne > m_nColonnes)
        LeverErreur(ERREUR_INDICE);
    return static_cast<qsizetype>(nLigne - 1) * m_nColonnes + (nColonne - 1);
}

void FeuilleModele::verifierPlage(const Plage& plage) const
{
    indice(plage.nLigne1, plage.nColonne1);
    indice(plage.nLigne2, plage.nColonne2);
    if (plage.nLigne2 < plage.nLigne1 || plage.nColonne2 < plage.nColonne1)
        LeverErreur(ERREUR_INDICE);
}

quint32 FeuilleModele::enregistrer(const AttributsCellule& attributs)
{
    const auto [it, bNouveau] = m_numeros.try_emplace(attributs, static_cast<quint32>(m_styles.size()));
    if (bNouveau)
        m_styles.push_back(attributs);
    return it->second;
}

void FeuilleModele::modifierStyle(quint32& nStyle, const Modification& modification)
{
    AttributsCellule attributs = m_styles[nStyle];
    modification(attributs);
    nStyle = enregistrer(attributs);
}

void FeuilleModele::ecrireTexte(qint32 nLigne, qint32 nColonne, const QString& strTexte)
{
    CelluleModele& cellule = m_cellules[static_cast<std::size_t>(indice(nLigne, nColonne))];
    cellule.strValeur = strTexte;
    cellule.genre = strTexte.isEmpty() ? GenreValeur::Vide : GenreValeur::Texte;
}

void FeuilleModele::ecrireNombre(qint32 nLigne, qint32 nColonne, double dNombre)
{
    CelluleModele& cellule = m_cellules[static_cast<std::size_t>(indice(nLigne, nColonne))];
    cellule.strValeur = QString::number(dNombre, 'g', 17);
    cellule.genre = GenreValeur::Nombre;
}

void FeuilleModele::ecrireDate(qint32 nLigne, qint32 nColonne, QDate date)
{
    CelluleModele& cellule = m_cellules[static_cast<std::size_t>(indice(nLigne, nColonne))];
    cellule.strValeur = date.toString(Qt::ISODate);
    cellule.genre = GenreValeur::Date;
}

void FeuilleModele::modifier(const Plage& plage, const Modification& modification)
{
    verifierPlage(plage);
    for (qint32 l = plage.nLigne1; l <= plage.nLigne2; ++l)
        for (qint32 c = plage.nColonne1; c <= plage.nColonne2; ++c)
            modifierStyle(m_cellules[static_cast<std::size_t>(indice(l, c))].nStyle, modification);
}

void FeuilleModele::modifierLigne(qint32 nLigne, const Modification& modification)
{
    indice(nLigne, 1);
    modifierStyle(m_stylesLignes[static_cast<std::size_t>(nLigne - 1)], modification);
    modifier({nLigne, 1, nLigne, m_nColonnes}, modification);
}

void FeuilleModele::encadrer(const Plage& plage, Trait trait)
{
    verifierPlage(plage);
    const auto bords = [&](qint32 l, qint32 c) {
        modifierStyle(m_cellules[static_cast<std::size_t>(indice(l, c))].nStyle, [&](AttributsCellule& a) {
            if (l == plage.nLigne1)
                a.bordHaut = trait;
            if (l == plage.nLigne2)
                a.bordBas = trait;
            if (c == plage.nColonne1)
                a.bordGauche = trait;
            if (c == plage.nColonne2)
                a.bordDroit = trait;
        });
    };
    // Only the cells on the edge of the range change.
    for (qint32 l = plage.nLigne1; l <= plage.nLigne2; ++l) {
        const bool bLigneDuBord = l == plage.nLigne1 || l == plage.nLigne2;
        for (qint32 c = plage.nColonne1; c <= plage.nColonne2; ++c)
            if (bLigneDuBord || c == plage.nColonne1 || c == plage.nColonne2)
                bords(l, c);
    }
}

void FeuilleModele::definirLargeur(qint32 nColonne, double dLargeur)
{
    indice(1, nColonne);
    m_largeurs[static_cast<std::size_t>(nColonne - 1)] = dLargeur;
}

void FeuilleModele::definirHauteur(qint32 nLigne, double dHauteur)
{
    indice(nLigne, 1);
    m_hauteurs[static_cast<std::size_t>(nLigne - 1)] = dHauteur;
}

const CelluleModele& FeuilleModele::cellule(qint32 nLigne, qint32 nColonne) const
{
    return m_cellules[static_cast<std::size_t>(indice(nLigne, nColonne))];
}

const AttributsCellule& FeuilleModele::attributs(qint32 nLigne, qint32 nColonne) const
{
    return m_styles[cellule(nLigne, nColonne).nStyle];
}

quint32 FeuilleModele::styleLigne(qint32 nLigne) const
{
    indice(nLigne, 1);
    return m_stylesLignes[static_cast<std::size_t>(nLigne - 1)];
}

double FeuilleModele::largeur(qint32 nColonne) const
{
    indice(1, nColonne);
    return m_largeurs[static_cast<std::size_t>(nColonne - 1)];
}

double FeuilleModele::hauteur(qint32 nLigne) const
{
    indice(nLigne, 1);
    return m_hauteurs[static_cast<std::size_t>(nLigne - 1)];
}

}  // namespace kervane
