#pragma once
// The texts of a result put into the grid: a value met again in the same column shares the
// text already made for it instead of a new copy, so a large result with repeated values
// (codes, dates, labels) costs fewer allocations and less memory. A column whose values are
// nearly all different stops being looked up once it has shown it.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <vector>

namespace kervane {

class TextesPartages {
public:
    explicit TextesPartages(qsizetype nColonnes);

    // The text of a UTF-8 value of column nColonne (1-based). The bytes must stay in place
    // while this object is in use (they are those of the result array being shown).
    QString texte(qsizetype nColonne, QByteArrayView utf8);

private:
    static constexpr qsizetype VALEURS_MAX = 4096;  // distinct values kept per column

    struct Colonne {
        QHash<QByteArray, QString> valeurs;
        QByteArrayView precedente;            // the column's last value, compared before any look-up
        const QString* pPrecedente = nullptr;  // its text: in the table, or strPrecedente
        QString strPrecedente;
        bool bActive = true;
    };
    std::vector<Colonne> m_colonnes;  // sized once: pPrecedente may point into an element
};

}  // namespace kervane
