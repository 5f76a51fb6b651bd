#include "export/ClasseurXlsx.h"

#include "messages/Erreur.h"

#include <QStringEncoder>
#include <xlsxwriter.h>

#include <cerrno>

namespace kervane {
namespace {

constexpr qsizetype kLongueurTexteMax = 32767;  // characters (code points) a cell may hold

// A cell text as UTF-8 in tampon (kept from one cell to the next, so a short text costs no
// allocation), cut to the longest text a cell may hold.
const char* texteCellule(const QString& strTexte, QByteArray& tampon)
{
    if (strTexte.size() > kLongueurTexteMax) {
        const QList<uint> points = strTexte.toUcs4();
        if (points.size() > kLongueurTexteMax) {
            tampon = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()), kLongueurTexteMax)
                         .toUtf8();
            return tampon.constData();
        }
    }
    QStringEncoder utf8(QStringEncoder::Utf8);
    tampon.resize(utf8.requiredSpace(strTexte.size()) + 1);
    char* pFin = utf8.appendToBuffer(tampon.data(), strTexte);
    *pFin = '\0';
    return tampon.constData();
}

lxw_row_t ligne(qint32 nLigne)
{
    return static_cast<lxw_row_t>(nLigne - 1);
}

lxw_col_t colonne(qint32 nColonne)
{
    return static_cast<lxw_col_t>(nColonne - 1);
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
    if (m_pClasseur)
        m_formats.emplace(m_pClasseur.get());
    return m_pClasseur != nullptr;
}

// The library's refusal, with errno as it stood just after the call.
void ClasseurXlsx::verifier(int nErreur) const
{
    const int nErrno = errno;
    if (nErreur != LXW_NO_ERROR)
        LeverErreur(NumeroErreurClasseur(nErreur, nErrno),
                    QStringLiteral("Le classeur [%1] n'a pas pu être enregistré. ").arg(m_strNom)
                        + TexteErreurClasseur(nErreur, nErrno));
}

lxw_worksheet* ClasseurXlsx::feuille() const
{
    if (!m_pClasseur)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur n'a pas été créé."));
    if (!m_pFeuille)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur [%1] n'a pas de feuille.").arg(m_strNom));
    return m_pFeuille;
}

void ClasseurXlsx::ajouterFeuille(const QString& strNom)
{
    if (!m_pClasseur)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur n'a pas été créé."));
    m_pFeuille = workbook_add_worksheet(m_pClasseur.get(), strNom.toUtf8().constData());
    if (!m_pFeuille)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("La feuille [%1] n'a pas pu être créée.").arg(strNom));
}

ClasseurXlsx::Format ClasseurXlsx::format(const AttributsCellule& attributs)
{
    if (!m_formats)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur n'a pas été créé."));
    Format pFormat = nullptr;
    if (!m_formats->format(attributs, pFormat))
        verifier(LXW_ERROR_MEMORY_MALLOC_FAILED);
    return pFormat;
}

void ClasseurXlsx::definirLargeur(qint32 nColonne, double dLargeur)
{
    verifier(worksheet_set_column(feuille(), colonne(nColonne), colonne(nColonne), dLargeur, nullptr));
}

void ClasseurXlsx::definirLigne(qint32 nLigne, double dHauteur, Format format)
{
    verifier(worksheet_set_row(feuille(), ligne(nLigne), dHauteur > 0 ? dHauteur : LXW_DEF_ROW_HEIGHT, format));
}

void ClasseurXlsx::ecrireTexte(qint32 nLigne, qint32 nColonne, const QString& strTexte, Format format)
{
    if (strTexte.isEmpty()) {
        ecrireVide(nLigne, nColonne, format);
        return;
    }
    verifier(worksheet_write_string(feuille(), ligne(nLigne), colonne(nColonne), texteCellule(strTexte, m_utf8),
                                    format));
}

void ClasseurXlsx::ecrireNombre(qint32 nLigne, qint32 nColonne, double dNombre, Format format)
{
    verifier(worksheet_write_number(feuille(), ligne(nLigne), colonne(nColonne), dNombre, format));
}

void ClasseurXlsx::ecrireDate(qint32 nLigne, qint32 nColonne, QDate date, Format format)
{
    lxw_datetime moment{date.year(), date.month(), date.day(), 0, 0, 0.0};
    verifier(worksheet_write_datetime(feuille(), ligne(nLigne), colonne(nColonne), &moment, format));
}

void ClasseurXlsx::ecrireVide(qint32 nLigne, qint32 nColonne, Format format)
{
    // Without a look of its own a blank cell is no entry at all.
    if (format)
        verifier(worksheet_write_blank(feuille(), ligne(nLigne), colonne(nColonne), format));
}

void ClasseurXlsx::fermer()
{
    if (!m_pClasseur)
        LeverErreur(ERREUR_CLASSEUR, QStringLiteral("Le classeur n'a pas été créé."));
    m_pFeuille = nullptr;
    m_formats.reset();
    // Closing writes the file and frees the workbook whatever the outcome; errno then tells
    // why a file operation failed.
    errno = 0;
    verifier(workbook_close(m_pClasseur.release()));
}

}  // namespace kervane
