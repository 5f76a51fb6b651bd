#pragma once
// dlgApropos: the About box, with the program's name and version.
#include <QDialog>

namespace kervane {

class dlgApropos : public QDialog {
    Q_OBJECT

public:
    explicit dlgApropos(QWidget* pParent = nullptr);
};

}  // namespace kervane
