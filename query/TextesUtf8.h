#pragma once
// What fitting the result grid asks of a cell text, answered on its UTF-8 bytes as the grid
// keeps them, so that a large result is judged without making a QString of every value.
// Lengths are counted as QString counts them (UTF-16 units).
#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

#include <vector>

namespace kervane {

// Length of the text in UTF-16 units (a character beyond U+FFFF counts 2).
qsizetype longueurUtf16(QByteArrayView utf8);

// True when the text holds a line break: CR, LF, or a Unicode line or paragraph separator.
bool contientSautDeLigne(QByteArrayView utf8);

// True when the text cannot be wider than dLargeur: each of its characters is below U+0250
// (Latin letters, at most dCaractereMax wide in the grid's own font) and there are few enough.
bool largeurBornee(QByteArrayView utf8, double dLargeur, double dCaractereMax);

// A list of names, in UTF-8, to find a cell text among them without converting it.
class NomsUtf8 {
public:
    explicit NomsUtf8(const QStringList& noms);
    bool contient(QByteArrayView utf8) const;

private:
    std::vector<QByteArray> m_noms;
};

}  // namespace kervane
