#include "export/ClasseurXlsx.h"

#include "messages/Erreur.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <vector>

namespace kervane {
namespace {

constexpr qsizetype kLongueurTexteMax = 32767;  // characters (code points) a cell may hold

// A refusal of the library, with errno as it stood just after the call; turned into the
// trapped error, naming the file, by ClasseurXlsx::enregistrer.
struct RefusBibliotheque {
    int nCode = 0;
    int nErrno = 0;
};

void verifier(lxw_error nErreur)
{
    const int nErrno = errno;
    if (nErreur != LXW_NO_ERROR)
        throw RefusBibliotheque{nErreur, nErrno};
}

// A cell text as UTF-8, cut to the longest text a cell may hold.
QByteArray texteCellule(const QString& strTexte)
{
    if (strTexte.size() <= kLongueurTexteMax)
        return strTexte.toUtf8();
    const QList<uint> points = strTexte.toUcs4();
    if (points.size() <= kLongueurTexteMax)
        return strTexte.toUtf8();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), kLongueurTexteMax).toUtf8();
}

lxw_color_t couleur(quint32 nRgb)
{
    const lxw_color_t nCouleur = nRgb & 0xFFFFFFu;
    return nCouleur == 0 ? lxw_color_t{LXW_COLOR_BLACK} : nCouleur;
}

quint8 bordure(Trait trait)
{
    switch (trait) {
    case Trait::Fin: return LXW_BORDER_THIN;
    case Trait::Moyen: return LXW_BORDER_MEDIUM;
    case Trait::Aucun: break;
    }
    return LXW_BORDER_NONE;
}

void appliquerAlignement(lxw_format* pFormat, const AttributsCellule& a)
{
    switch (a.alignementH) {
    case AlignementH::Gauche: format_set_align(pFormat, LXW_ALIGN_LEFT); break;
    case AlignementH::Centre: format_set_align(pFormat, LXW_ALIGN_CENTER); break;
    case AlignementH::Droite: format_set_align(pFormat, LXW_ALIGN_RIGHT); break;
    case AlignementH::Standard: break;
    }
    switch (a.alignementV) {
    case AlignementV::Haut: format_set_align(pFormat, LXW_ALIGN_VERTICAL_TOP); break;
    case AlignementV::Centre: format_set_align(pFormat, LXW_ALIGN_VERTICAL_CENTER); break;
    case AlignementV::Bas: break;
    }
    if (a.bRetourLigne)
        format_set_text_wrap(pFormat);
}

lxw_format* nouveauFormat(lxw_workbook* pClasseur, const AttributsCellule& a)
{
    lxw_format* pFormat = workbook_add_format(pClasseur);
    if (!pFormat)
        verifier(LXW_ERROR_MEMORY_MALLOC_FAILED);
    if (a.bGras)
        format_set_bold(pFormat);
    appliquerAlignement(pFormat, a);
    format_set_left(pFormat, bordure(a.bordGauche));
    format_set_right(pFormat, bordure(a.bordDroit));
    format_set_top(pFormat, bordure(a.bordHaut));
    format_set_bottom(pFormat, bordure(a.bordBas));
    if (a.nCouleurFond != COULEUR_AUCUNE) {
        format_set_pattern(pFormat, LXW_PATTERN_SOLID);
        format_set_bg_color(pFormat, couleur(a.nCouleurFond));
    }
    if (a.nCouleurPolice != COULEUR_AUCUNE)
        format_set_font_color(pFormat, couleur(a.nCouleurPolice));
    if (a.bFormatDate)
        format_set_num_format(pFormat, "dd/mm/yy");
    return pFormat;
}

// Formats made on first use, one per attribute set of the sheet; set 0 needs none.
class Formats {
public:
    Formats(lxw_workbook* pClasseur, const std::vector<AttributsCellule>& styles)
        : m_pClasseur(pClasseur), m_styles(styles), m_formats(styles.size(), nullptr)
    {
    }
    lxw_format* operator[](quint32 nStyle)
    {
        if (nStyle == 0)
            return nullptr;
        lxw_format*& pFormat = m_formats.at(nStyle);
        if (!pFormat)
            pFormat = nouveauFormat(m_pClasseur, m_styles[nStyle]);
        return pFormat;
    }

private:
    lxw_workbook* m_pClasseur;
    const std::vector<AttributsCellule>& m_styles;
    std::vector<lxw_format*> m_formats;
};

void ecrireCellule(lxw_worksheet* pFeuille, lxw_row_t nLigne, lxw_col_t nColonne, const CelluleModele& cellule,
                   lxw_format* pFormat)
{
    switch (cellule.genre) {
    case GenreValeur::Texte:
        verifier(worksheet_write_string(pFeuille, nLigne, nColonne, texteCellule(cellule.strValeur).constData(),
                                        pFormat));
        return;
    case GenreValeur::Nombre:
        verifier(worksheet_write_number(pFeuille, nLigne, nColonne, cellule.strValeur.toDouble(), pFormat));
        return;
    case GenreValeur::Date: {
        const QDate date = QDate::fromString(cellule.strValeur, Qt::ISODate);
        lxw_datetime moment{date.year(), date.month(), date.day(), 0, 0, 0.0};
        verifier(worksheet_write_datetime(pFeuille, nLigne, nColonne, &moment, pFormat));
        return;
    }
    case GenreValeur::Vide:
        if (pFormat)
            verifier(worksheet_write_blank(pFeuille, nLigne, nColonne, pFormat));
        return;
    }
}

void ecrireLignes(lxw_worksheet* pFeuille, const FeuilleModele& feuille, Formats& formats)
{
    for (qint32 l = 1; l <= feuille.lignes(); ++l) {
        const auto nLigne = static_cast<lxw_row_t>(l - 1);
        const quint32 nStyleLigne = feuille.styleLigne(l);
        const double dHauteur = feuille.hauteur(l);
        // The row's own settings come before its cells: the library keeps only the current row.
        if (nStyleLigne != 0 || dHauteur > 0)
            verifier(worksheet_set_row(pFeuille, nLigne, dHauteur > 0 ? dHauteur : LXW_DEF_ROW_HEIGHT,
                                       formats[nStyleLigne]));
        for (qint32 c = 1; c <= feuille.colonnes(); ++c) {
            const CelluleModele& cellule = feuille.cellule(l, c);
            // An empty cell that looks like its row needs no entry of its own.
            if (cellule.genre == GenreValeur::Vide && cellule.nStyle == nStyleLigne)
                continue;
            ecrireCellule(pFeuille, nLigne, static_cast<lxw_col_t>(c - 1), cellule, formats[cellule.nStyle]);
        }
    }
}

}  // namespace

void ClasseurXlsx::Liberation::operator()(lxw_workbook* pClasseur) const
{
    lxw_workbook_free(pClasseur);
}

ClasseurXlsx::ClasseurXlsx() = default;
ClasseurXlsx::~ClasseurXlsx() = default;

bool ClasseurXlsx::creer(const QString& strChemin, const QString& strDossierTravail, const QString& strNom)
{
    m_strNom = strNom;
    m_dossierTravail = strDossierTravail.toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_dossierTravail.isEmpty() ? nullptr : m_dossierTravail.data();
    m_pClasseur.reset(workbook_new_opt(strChemin.toUtf8().constData(), &options));
    return m_pClasseur != nullptr;
}

void ClasseurXlsx::enregistrer(const FeuilleModele& feuille)
{
    if (!m_pClasseur)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur n'a pas été créé."));
    try {
        ecrire(feuille);
    } catch (const RefusBibliotheque& refus) {
        LeverErreur(NumeroErreurClasseur(refus.nCode, refus.nErrno),
                    QStringLiteral("Le classeur [%1] n'a pas pu être enregistré. ").arg(m_strNom)
                        + TexteErreurClasseur(refus.nCode, refus.nErrno));
    }
}

void ClasseurXlsx::ecrire(const FeuilleModele& feuille)
{
    lxw_worksheet* pFeuille = workbook_add_worksheet(m_pClasseur.get(), feuille.nom().toUtf8().constData());
    if (!pFeuille)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("La feuille [%1] n'a pas pu être créée.").arg(feuille.nom()));
    for (qint32 c = 1; c <= feuille.colonnes(); ++c)
        if (const double dLargeur = feuille.largeur(c); dLargeur > 0)
            verifier(worksheet_set_column(pFeuille, static_cast<lxw_col_t>(c - 1), static_cast<lxw_col_t>(c - 1),
                                          dLargeur, nullptr));
    Formats formats(m_pClasseur.get(), feuille.styles());
    ecrireLignes(pFeuille, feuille, formats);
    // Closing writes the file and frees the workbook whatever the outcome; errno then tells
    // why a file operation failed.
    errno = 0;
    verifier(workbook_close(m_pClasseur.release()));
}

}  // namespace kervane
