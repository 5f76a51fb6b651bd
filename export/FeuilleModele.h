#pragma once
// A worksheet held in memory before it is written: cell values, cell attributes and the
// rows' and columns' own settings. Each operation is applied at once, in the order given,
// as a spreadsheet application would: a row setting reaches every cell of the row, a frame
// around a range sets the outer edges of the range's cells. Attribute sets are kept once
// each and cells refer to them by number, so the writer makes one format per distinct set.
//
// Rows and columns count from 1 (row 1, column 1 is A1).
#include "export/AttributsCellule.h"

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <map>
#include <vector>

namespace kervane {

enum class GenreValeur : quint8 { Vide, Texte, Nombre, Date };

struct CelluleModele {
    QString strValeur;  // text; a number in C notation; a date as yyyy-MM-dd
    quint32 nStyle = 0; // index of its attribute set; 0 is the default set
    GenreValeur genre = GenreValeur::Vide;
};

// A rectangle of cells, first and last row and column included.
struct Plage {
    qint32 nLigne1 = 1;
    qint32 nColonne1 = 1;
    qint32 nLigne2 = 1;
    qint32 nColonne2 = 1;
};

class FeuilleModele {
public:
    using Modification = std::function<void(AttributsCellule&)>;

    // A sheet of nLignes x nColonnes cells (both at least 1), named strNom.
    FeuilleModele(qint32 nLignes, qint32 nColonnes, QString strNom);

    qint32 lignes() const { return m_nLignes; }
    qint32 colonnes() const { return m_nColonnes; }
    const QString& nom() const { return m_strNom; }
    void renommer(const QString& strNom) { m_strNom = strNom; }

    // Values; a write outside the sheet raises the out-of-range error.
    void ecrireTexte(qint32 nLigne, qint32 nColonne, const QString& strTexte);
    void ecrireNombre(qint32 nLigne, qint32 nColonne, double dNombre);
    void ecrireDate(qint32 nLigne, qint32 nColonne, QDate date);

    // Changes the attributes of every cell of the range.
    void modifier(const Plage& plage, const Modification& modification);
    // The row's own setting and every cell of the row.
    void modifierLigne(qint32 nLigne, const Modification& modification);
    // A frame of that weight on the outer edges of the range's cells.
    void encadrer(const Plage& plage, Trait trait);
    // Width in characters; 0 keeps the application's default.
    void definirLargeur(qint32 nColonne, double dLargeur);
    // Height in points; 0 keeps the application's default.
    void definirHauteur(qint32 nLigne, double dHauteur);

    const CelluleModele& cellule(qint32 nLigne, qint32 nColonne) const;
    const AttributsCellule& attributs(qint32 nLigne, qint32 nColonne) const;
    quint32 styleLigne(qint32 nLigne) const;
    double largeur(qint32 nColonne) const;
    double hauteur(qint32 nLigne) const;
    // The distinct attribute sets, by number; number 0 is the default set.
    const std::vector<AttributsCellule>& styles() const { return m_styles; }

private:
    qsizetype indice(qint32 nLigne, qint32 nColonne) const;
    void verifierPlage(const Plage& plage) const;
    quint32 enregistrer(const AttributsCellule& attributs);
    void modifierStyle(quint32& nStyle, const Modification& modification);

    qint32 m_nLignes;
    qint32 m_nColonnes;
    QString m_strNom;
    std::vector<CelluleModele> m_cellules;  // row by row
    std::vector<quint32> m_stylesLignes;    // by row, from index 0 for row 1
    std::vector<double> m_largeurs;         // by column, from index 0 for column 1
    std::vector<double> m_hauteurs;         // by row, from index 0 for row 1
    std::vector<AttributsCellule> m_styles;
    std::map<AttributsCellule, quint32> m_numeros;
};

}  // namespace kervane
