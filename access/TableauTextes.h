#pragma once
// A two-dimensional array of texts indexed (row, column) from (0, 0), as the access layer
// hands results back. The first rows (the header rows) can be written at any time; the
// rows after them are appended once, cell after cell, into one flat UTF-8 buffer with a
// 32-bit end offset per cell, so that hundreds of thousands of rows stay compact and the
// array is cheap to move. Both grow geometrically by reallocation, which moves a large block
// without copying it, and the appended rows can be handed on (to the grid) as they are. The
// appended texts are limited to 4 GiB in all.
#include "platform/FinsCellules.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstring>
#include <vector>

namespace kervane {

class TableauTextes {
public:
    TableauTextes() = default;
    // The blocks of the appended rows, when they are large, are kept for the next reading
    // (platform/BlocsRecycles.h).
    ~TableauTextes();
    TableauTextes(const TableauTextes&) = default;
    TableauTextes& operator=(const TableauTextes&) = default;
    TableauTextes(TableauTextes&&) = default;
    TableauTextes& operator=(TableauTextes&&) = default;
    // An array of nColonnes columns (0..nColonnes-1) whose first nLignesEntete rows are
    // writable header rows, all empty.
    TableauTextes(qsizetype nLignesEntete, qsizetype nColonnes);

    qsizetype lignes() const { return m_nLignesEntete + m_nLignesDonnees; }  // rows 0..lignes()-1
    qsizetype colonnes() const { return m_nColonnes; }

    // Bounds-checked reading; a cell outside the array raises the subscript error.
    QString texte(qsizetype nLigne, qsizetype nColonne) const;
    // The same as UTF-8 bytes, without a copy for appended rows (valid until the array changes).
    QByteArrayView utf8(qsizetype nLigne, qsizetype nColonne) const;

    // Writes a cell of a header row.
    void definir(qsizetype nLigne, qsizetype nColonne, const QString& strTexte);

    // Appending rows: commencerLigne(), then exactly colonnes() cells, in column order. A cell
    // that fits in the room reserved is written here, without a call of its own.
    void commencerLigne();
    Q_ALWAYS_INLINE void ajouterCellule(QByteArrayView texte)
    {
        const qsizetype nOctets = texte.size();
        if (m_fins.taille() < m_nLignesDonnees * m_nColonnes && nOctets <= m_texte.size() - m_nOctets) [[likely]] {
            copierCourt(m_texte.data() + m_nOctets, texte.data(), nOctets);
            m_nOctets += nOctets;
            m_fins.ajouter(static_cast<quint32>(m_nOctets));
            return;
        }
        ajouterCelluleAilleurs(texte);
    }
    // Gives back the room reserved but not used, once the last row is appended (the blocks
    // shrink where they lie: nothing is copied).
    void ajuster();
    // Hands over the appended rows, all their columns, as their UTF-8 bytes back to back and the
    // end offset of each cell; the array keeps its header rows and no appended row.
    void cederLignes(QByteArray& texte, FinsCellules& fins);
    // Reserves room for that many more rows (a hint); the first reservation starts from the
    // blocks a previous result let go, if any.
    void reserver(qsizetype nLignes, qsizetype nOctetsParCellule = 8);

    // Bytes held by the appended rows (texts plus offsets), for measurements.
    qsizetype octetsDonnees() const;

private:
    qsizetype indexEntete(qsizetype nLigne, qsizetype nColonne) const;
    void verifier(qsizetype nLigne, qsizetype nColonne) const;

    qsizetype m_nLignesEntete = 0;
    qsizetype m_nColonnes = 0;
    qsizetype m_nLignesDonnees = 0;
    void agrandirTexte(qsizetype nOctets);
    void ajouterCelluleAilleurs(QByteArrayView texte);

    // Copies a text of up to 32 bytes with two overlapping moves of a size that covers it (most
    // cells are short): cheaper than a library call per cell.
    template <std::size_t N>
    static void copierDeuxFois(char* pVers, const char* pDe, qsizetype nOctets)
    {
        char debut[N], fin[N];
        std::memcpy(debut, pDe, N);
        std::memcpy(fin, pDe + nOctets - N, N);
        std::memcpy(pVers, debut, N);
        std::memcpy(pVers + nOctets - N, fin, N);
    }
    static void copierCourt(char* pVers, const char* pDe, qsizetype nOctets)
    {
        if (nOctets > 32) {
            std::memcpy(pVers, pDe, static_cast<std::size_t>(nOctets));
        } else if (nOctets >= 16) {
            copierDeuxFois<16>(pVers, pDe, nOctets);
        } else if (nOctets >= 8) {
            copierDeuxFois<8>(pVers, pDe, nOctets);
        } else if (nOctets >= 4) {
            copierDeuxFois<4>(pVers, pDe, nOctets);
        } else if (nOctets > 0) {
            pVers[0] = pDe[0];
            pVers[nOctets / 2] = pDe[nOctets / 2];
            pVers[nOctets - 1] = pDe[nOctets - 1];
        }
    }

    std::vector<QString> m_entete;        // header rows, row-major
    QByteArray m_texte;                   // every appended cell's UTF-8 text, back to back, then room;
                                          // never larger than 32-bit offsets reach
    qsizetype m_nOctets = 0;              // bytes of m_texte the cells use
    FinsCellules m_fins;                  // end offset of each appended cell in m_texte
};

}  // namespace kervane
