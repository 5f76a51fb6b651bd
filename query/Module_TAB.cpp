#include "query/Module_TAB.h"

#include "messages/Piege.h"
#include "platform/spread/vaSpread.h"

namespace kervane {

namespace {

// The working block of a grid, put back on every exit path.
class BlocDeTravail {
public:
    explicit BlocDeTravail(vaSpread& grille)
        : m_grille(grille), m_nCol(grille.Col()), m_nRow(grille.Row()), m_nCol2(grille.Col2()),
          m_nRow2(grille.Row2())
    {
    }
    ~BlocDeTravail()
    {
        m_grille.setBlockMode(false);
        m_grille.setCol(m_nCol);
        m_grille.setRow(m_nRow);
        m_grille.setCol2(m_nCol2);
        m_grille.setRow2(m_nRow2);
    }
    BlocDeTravail(const BlocDeTravail&) = delete;
    BlocDeTravail& operator=(const BlocDeTravail&) = delete;

private:
    vaSpread& m_grille;
    qint32 m_nCol;
    qint32 m_nRow;
    qint32 m_nCol2;
    qint32 m_nRow2;
};

template <class Champ>
Champ champ(qint32 n)
{
    return static_cast<Champ>(n);
}

}  // namespace

bool TAB_Encadrer(vaSpread& grille, qint32 nColonne1, qint32 nLigne1, qint32 nColonne2, qint32 nLigne2,
                  std::vector<BlocCellules>& tabBlocs)
{
    return Pieger(QStringLiteral("TAB_Encadrer"), [&] {
        {
            const BlocDeTravail travail(grille);
            grille.setBlockMode(true);
            grille.setCol(nColonne1);
            grille.setRow(nLigne1);
            grille.setCol2(nColonne2);
            grille.setRow2(nLigne2);
            grille.setCellBorderType(vaSpread::kBorderOutline);
            grille.setAction(vaSpread::kActionSetBorder);
        }
        BlocCellules bloc;
        bloc.nColonne1 = champ<decltype(bloc.nColonne1)>(nColonne1);
        bloc.nLigne1 = champ<decltype(bloc.nLigne1)>(nLigne1);
        bloc.nColonne2 = champ<decltype(bloc.nColonne2)>(nColonne2);
        bloc.nLigne2 = champ<decltype(bloc.nLigne2)>(nLigne2);
        tabBlocs.push_back(bloc);
        return true;
    });
}

}  // namespace kervane
