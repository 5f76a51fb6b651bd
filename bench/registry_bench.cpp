// Times the opening of a database by the main window (offscreen, recent entry, no dialog)
// over a private registry that already holds a full recent list and a full history, and
// counts the fsync calls each opening makes: those on the registry's files, and all of them.
// fsync and fdatasync are counted by defining them here, ahead of the C library's, so the
// same program measures any version of the registry store.
//
// Then times the settings reads of a start on a hive whose program key holds many values,
// as a hand-edited or damaged file may.
//
// registry_bench [openings] [load|quiet] [values]: "load" keeps another process writing and
// flushing a file on the same disk meanwhile, as a busy disk would.
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"
#include "frame/Module_GES.h"
#include "frame/wndMDI.h"
#include "messages/Programme.h"
#include "query/CleHistorique.h"
#include "query/wndKervane.h"
#include "settings/Cles.h"
#include "settings/Parametres.h"
#include "settings/Registration.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiSubWindow>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Comptes {
    long nRegistre = 0;  // on the hive files and their folder
    long nTous = 0;
    double dSecondes = 0.0;  // spent inside the calls
};
Comptes g_comptes;
std::string g_dossierRegistre;

bool surLeRegistre(int fd)
{
    char lien[64];
    char cible[4096];
    std::snprintf(lien, sizeof lien, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(lien, cible, sizeof cible - 1);
    if (n <= 0)
        return false;
    cible[n] = '\0';
    return !g_dossierRegistre.empty() && std::strncmp(cible, g_dossierRegistre.c_str(), g_dossierRegistre.size()) == 0;
}

int compter(const char* nom, int fd)
{
    using Appel = int (*)(int);
    const auto reel = reinterpret_cast<Appel>(dlsym(RTLD_NEXT, nom));
    const auto debut = std::chrono::steady_clock::now();
    const int nResultat = reel(fd);
    g_comptes.dSecondes += std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    ++g_comptes.nTous;
    if (surLeRegistre(fd))
        ++g_comptes.nRegistre;
    return nResultat;
}

}  // namespace

extern "C" int fsync(int fd)
{
    return compter("fsync", fd);
}

extern "C" int fdatasync(int fd)
{
    return compter("fdatasync", fd);
}

using namespace kervane;

namespace {

constexpr int RECENTES = 30;
constexpr int REQUETES = 30;

// Another process writing 1 MB and flushing it, again and again, until it is killed.
pid_t chargerLeDisque(const std::filesystem::path& dossier)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const std::string chemin = (dossier / "charge.bin").string();
    const std::vector<char> bloc(1 << 20, 'x');
    const int fd = open(chemin.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (;;) {
        if (pwrite(fd, bloc.data(), bloc.size(), 0) < 0)
            _exit(1);
        syscall(SYS_fsync, fd);  // straight to the kernel: not counted
    }
}

// The registry as a long-used installation has it: 30 recent entries, 30 statements per base.
void remplirRegistre(const QStringList& bases)
{
    for (int i = RECENTES; i > 0; --i)
        StockerRegistration(nullptr, QStringLiteral("Base %1").arg(i), QStringLiteral("/bases/velmora%1.mdb").arg(i));
    for (const QString& strBase : bases) {
        const QString strCle = CleRequetes(NomCleBase(strBase));
        for (int k = 0; k < REQUETES; ++k)
            SYS_EcrireChaineRegistration(strCle, QString::number(k),
                                         QStringLiteral("SELECT * FROM ARTICLE WHERE ID_ARTICLE = %1../..OCCURENCE: 0")
                                             .arg(k),
                                         true);
    }
}

// The settings a start reads, on a hive of that many values; returns the milliseconds.
double demarrerSurGrandeRuche(const std::filesystem::path& dossier, int nValeurs)
{
    const std::filesystem::path registre = dossier / "grande";
    std::filesystem::create_directories(registre);
    setenv("KERVANE_REGISTRY_DIR", registre.c_str(), 1);
    QString strTexte = QStringLiteral("REGEDIT4\n\n[") + cleProgramme() + QStringLiteral("]\n\"Mode Debug\"=dword:00000000\n");
    for (int i = 0; i < nValeurs; ++i)
        strTexte += QStringLiteral("\"Valeur %1\"=\"Texte %1\"\n").arg(i);
    QFile fichier(QString::fromStdString((registre / "HKEY_CURRENT_USER.reg").string()));
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(strTexte.toUtf8()) < 0)
        return -1.0;
    fichier.close();
    QElapsedTimer chrono;
    chrono.start();
    SYS_LireParametresUtilisateur();
    QString strEntree;
    for (int i = 1; i <= 4; ++i)
        SYS_LireChaineRegistration(cleProgramme() + QStringLiteral("\\Bases récentes"), QString::number(i), strEntree,
                                   false, true);
    return static_cast<double>(chrono.nsecsElapsed()) / 1e6;
}

double mediane(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int nOuvertures = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
    const bool bCharge = argc > 2 && std::strcmp(argv[2], "load") == 0;
    const int nValeurs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    char modele[] = "/tmp/kervane_registry_bench-XXXXXX";
    if (mkdtemp(modele) == nullptr)
        return 1;
    const std::filesystem::path dossier(modele);
    QStringList bases;
    for (const char* nom : {"A.mdb", "B.mdb"}) {
        const QString strBase = QString::fromStdString((dossier / nom).string());
        if (!QFile::copy(QStringLiteral(KERVANE_DEMO_DATABASE), strBase)) {
            std::fprintf(stderr, "cannot copy %s\n", KERVANE_DEMO_DATABASE);
            return 1;
        }
        QFile(strBase).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        bases << strBase;
    }
    banc::writeIni(dossier, bases[0].toStdString(), false);
    setenv("ODBCSYSINI", dossier.c_str(), 1);
    setenv("ODBCINI", (dossier / "odbc.ini").c_str(), 1);
    setenv("KERVANE_REGISTRY_DIR", (dossier / "registre").c_str(), 1);
    setenv("TEMP", dossier.c_str(), 1);
    g_dossierRegistre = (dossier / "registre").string();

    SYS_LireParametresUtilisateur();
    SYS_LireSeparateurDecimal();
    if (!ODBC_Initialiser())
        return 1;
    remplirRegistre(bases);
    const pid_t nCharge = bCharge ? chargerLeDisque(dossier) : 0;

    {
        wndMDI fenetre;
        std::vector<double> durees;
        std::vector<double> dansFsync;
        long nRegistre = 0;
        long nTous = 0;
        // Alternating between two bases, so that every opening moves its base to the top.
        for (int i = 0; i < nOuvertures + 1; ++i) {
            Programme().strCheminBase = bases[i % 2];
            Programme().strLibelleBase = QStringLiteral("Base source Velmora");
            g_comptes = {};
            QElapsedTimer chrono;
            chrono.start();
            if (!fenetre.Ouvrir(false)) {
                std::fprintf(stderr, "opening %d failed\n", i);
                return 1;
            }
            const double dMs = static_cast<double>(chrono.nsecsElapsed()) / 1e6;
            for (wndKervane* p : fenetre.fenetresRequetes())
                p->parentWidget()->close();
            QApplication::processEvents();
            if (i == 0)
                continue;  // the first one warms the caches
            durees.push_back(dMs);
            dansFsync.push_back(g_comptes.dSecondes * 1e3);
            nRegistre += g_comptes.nRegistre;
            nTous += g_comptes.nTous;
        }
        std::printf("Ouverture d'une base (%d ouvertures, %d entrees recentes, %d requetes par base%s)\n", nOuvertures,
                    RECENTES, REQUETES, bCharge ? ", disque charge" : "");
        std::printf("  fsync par ouverture : %.1f sur le registre, %.1f en tout\n",
                    static_cast<double>(nRegistre) / nOuvertures, static_cast<double>(nTous) / nOuvertures);
        std::printf("  duree d'une ouverture : mediane %.2f ms, meilleure %.2f ms ; dans fsync : mediane %.2f ms\n",
                    mediane(durees), *std::min_element(durees.begin(), durees.end()), mediane(dansFsync));
    }
    if (nCharge > 0) {
        kill(nCharge, SIGKILL);
        waitpid(nCharge, nullptr, 0);
    }
    std::printf("Reglages d'un demarrage sur une ruche de %d valeurs : %.1f ms\n", nValeurs,
                demarrerSurGrandeRuche(dossier, nValeurs));
    ODBC_Cloturer();
    std::filesystem::remove_all(dossier);
    return 0;
}
