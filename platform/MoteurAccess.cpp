#include "platform/MoteurAccess.h"

#include "driver/jet/file/JetRecovery.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/semantics/SortOrder.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace kervane {
namespace {

enum class Format { Absent, Inconnu, Jet, SQLite };

// The format is told by the first bytes of the file, never by its name.
Format formatOf(const QString& strChemin)
{
    const QFileInfo info(strChemin);
    if (!info.exists())
        return Format::Absent;
    QFile fichier(strChemin);
    if (!info.isFile() || !fichier.open(QIODevice::ReadOnly))
        return Format::Inconnu;
    const QByteArray entete = fichier.read(19);
    if (entete.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return Format::SQLite;
    if (entete.size() == 19 && entete.mid(4, 15) == "Standard Jet DB")
        return Format::Jet;
    return Format::Inconnu;
}

ErreurMoteur erreurFormat(const QString& strChemin)
{
    return {ERREUR_MOTEUR_FORMAT,
            QStringLiteral("Format de base de données non reconnu : « %1 ».").arg(strChemin)};
}

// SQLite's reason, in French for the cases a user meets.
ErreurMoteur erreurSQLite(const QString& strChemin, sqlite3* db)
{
    QString strRaison;
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: strRaison = QStringLiteral("le fichier est endommagé."); break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: strRaison = QStringLiteral("le fichier est verrouillé."); break;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: strRaison = QStringLiteral("le fichier ne peut pas être ouvert."); break;
    case SQLITE_IOERR: strRaison = QStringLiteral("erreur de lecture du disque."); break;
    case SQLITE_NOMEM: strRaison = QStringLiteral("mémoire insuffisante."); break;
    case SQLITE_AUTH: strRaison = QStringLiteral("accès refusé."); break;
    // SQLite's own text is English: the user gets its code, which a support person can look up.
    default: strRaison = QStringLiteral("erreur du moteur SQLite n° %1.").arg(sqlite3_extended_errcode(db));
    }
    return {ERREUR_MOTEUR_ILLISIBLE,
            QStringLiteral("La base de données « %1 » ne peut pas être lue : %2").arg(strChemin, strRaison)};
}

struct FinalisationInstruction {
    void operator()(sqlite3_stmt* p) const noexcept { sqlite3_finalize(p); }
};
using Instruction = std::unique_ptr<sqlite3_stmt, FinalisationInstruction>;

// Runs a one-column query (with an optional text parameter) and gathers its texts.
bool lireColonne(sqlite3* db, const char* szSQL, const QString& strParametre, QStringList& textes)
{
    sqlite3_stmt* pBrut = nullptr;
    if (sqlite3_prepare_v2(db, szSQL, -1, &pBrut, nullptr) != SQLITE_OK)
        return false;
    const Instruction instruction(pBrut);
    const QByteArray parametre = strParametre.toUtf8();
    if (!strParametre.isNull() &&
        sqlite3_bind_text(pBrut, 1, parametre.constData(), int(parametre.size()), SQLITE_STATIC) != SQLITE_OK)
        return false;
    int nEtat = SQLITE_ROW;
    while ((nEtat = sqlite3_step(pBrut)) == SQLITE_ROW)
        textes << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pBrut, 0)));
    return nEtat == SQLITE_DONE;
}

}  // namespace

void BaseMoteur::FermetureSQLite::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

BaseMoteur::BaseMoteur() = default;
BaseMoteur::BaseMoteur(std::vector<TableMoteur> tables) : m_tables(std::move(tables)) {}
BaseMoteur::~BaseMoteur() = default;
BaseMoteur::BaseMoteur(BaseMoteur&&) noexcept = default;
BaseMoteur& BaseMoteur::operator=(BaseMoteur&&) noexcept = default;

bool BaseMoteur::ouvrir(const QString& strChemin, ErreurMoteur& erreur)
{
    fermer();
    m_tables.clear();
    m_strAvertissement.clear();
    const Format format = formatOf(strChemin);
    if (format == Format::Absent) {
        erreur = {ERREUR_MOTEUR_INTROUVABLE, QStringLiteral("Fichier « %1 » introuvable.").arg(strChemin)};
        return false;
    }
    if (format == Format::Inconnu) {
        erreur = erreurFormat(strChemin);
        return false;
    }
    const QByteArray chemin = strChemin.toUtf8();
    sqlite3* pBrut = nullptr;
    // A SQLite file is opened read-only (O_RDONLY); a Jet file is read by the Jet reader into
    // an in-memory database that only declares its tables.
    const int nOuverture = format == Format::SQLite
                               ? sqlite3_open_v2(chemin.constData(), &pBrut, SQLITE_OPEN_READONLY, nullptr)
                               : sqlite3_open_v2(":memory:", &pBrut, SQLITE_OPEN_READWRITE, nullptr);
    m_db.reset(pBrut);
    if (nOuverture != SQLITE_OK) {
        erreur = erreurSQLite(strChemin, pBrut);
        fermer();
        return false;
    }
    // Texts compare as in Access (the Jet reader registers the same order on its own).
    if (format == Format::SQLite)
        sql::registerAccessCollation(m_db.get());
    if (format == Format::Jet) {
        std::string strRaison;
        // A commit of the Jet writer cut short by a crash is undone before anything is read; a
        // journal made for another file or an earlier state is set aside, and the user told.
        jet::Recovery reprise = jet::Recovery::Nothing;
        const bool bReprise = jet::recoverInterruptedCommit(chemin.toStdString(), reprise, strRaison);
        if (bReprise && reprise == jet::Recovery::SetAside)
            m_strAvertissement = QString::fromStdString(strRaison);
        if (bReprise)
            strRaison.clear();
        jet::JetFile* fichier = nullptr;
        if (!bReprise || !jet::attachJetDatabase(m_db.get(), chemin.toStdString(), strRaison, nullptr, &fichier)) {
            erreur = {ERREUR_MOTEUR_ILLISIBLE, QString::fromStdString(strRaison)};
            fermer();
            return false;
        }
        // Every table is read below: all are declared now.
        jet::declareFileTables(m_db.get(), *fichier);
    }
    if (!lireTables(strChemin, erreur)) {
        fermer();
        return false;
    }
    return true;
}

// Tables in creation order (the catalogue's order for a Jet file), user tables only.
bool BaseMoteur::lireTables(const QString& strChemin, ErreurMoteur& erreur)
{
    QStringList noms;
    if (!lireColonne(m_db.get(),
                     "SELECT name FROM sqlite_master WHERE type = 'table' "
                     "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'MSys%' ORDER BY rowid",
                     QString(), noms)) {
        erreur = erreurSQLite(strChemin, m_db.get());
        return false;
    }
    std::vector<TableMoteur> tables;
    tables.reserve(std::size_t(noms.size()));
    for (const QString& strNom : noms) {
        TableMoteur table{strNom, {}};
        if (!lireColonne(m_db.get(), "SELECT name FROM pragma_table_info(?1) ORDER BY cid", strNom, table.champs)) {
            erreur = erreurSQLite(strChemin, m_db.get());
            return false;
        }
        tables.push_back(std::move(table));
    }
    m_tables = std::move(tables);
    return true;
}

void BaseMoteur::fermer()
{
    m_db.reset();
}

}  // namespace kervane
