#pragma once
// The printer description: a small record of a printer's document settings. Its leading fixed
// part holds a mark, a version and the orientation (1 portrait, 2 landscape); the page layout
// (page size, margins, units) follows. Only the fixed part is ever read or rewritten in place,
// so whatever follows it is kept as the printer gave it.
#include <QByteArray>
#include <QPageLayout>
#include <QtGlobal>

namespace kervane {

constexpr qint16 ORIENTATION_PORTRAIT = 1;
constexpr qint16 ORIENTATION_PAYSAGE = 2;

// Bytes of the fixed part: mark (4), version (2), orientation (2).
constexpr qsizetype TAILLE_PARTIE_FIXE = 8;

QByteArray descriptionDepuisMiseEnPage(const QPageLayout& miseEnPage);
// False when the record is not a description (wrong mark, too short, unreadable layout).
bool miseEnPageDepuisDescription(const QByteArray& description, QPageLayout& miseEnPage);

// The orientation field; 0 when the record has no valid fixed part.
qint16 orientationDescription(const QByteArray& description);
// Rewrites the orientation field in place; false when the record has no valid fixed part or
// the orientation is neither 1 nor 2.
bool changerOrientationDescription(QByteArray& description, qint16 nOrientation);

QPageLayout::Orientation orientationMiseEnPage(qint16 nOrientation);
qint16 orientationDepuisMiseEnPage(QPageLayout::Orientation orientation);

}  // namespace kervane
