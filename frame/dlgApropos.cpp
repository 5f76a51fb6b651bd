#include "frame/dlgApropos.h"

#include "platform/Icones.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kervane {

dlgApropos::dlgApropos(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("A propos de Kervane"));
    auto* pImage = new QLabel(this);
    pImage->setPixmap(iconeKervane(QStringLiteral("Kervane")).pixmap(32, 32));
    auto* pTexte = new QLabel(QStringLiteral("<b>Kervane</b><br>Version %1<br><br>"
                                             "Outil de requêtes SQL pour les bases de la Suite Velmora.")
                                  .arg(QStringLiteral(KERVANE_VERSION)),
                              this);
    pTexte->setTextFormat(Qt::RichText);
    auto* pBoutons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pBoutons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* pHaut = new QHBoxLayout;
    pHaut->addWidget(pImage, 0, Qt::AlignTop);
    pHaut->addSpacing(12);
    pHaut->addWidget(pTexte, 1);
    auto* pTout = new QVBoxLayout(this);
    pTout->addLayout(pHaut);
    pTout->addWidget(pBoutons);
    setFixedSize(sizeHint().expandedTo(QSize(340, 140)));
}

}  // namespace kervane
