// A model's key picture, drawn from the key rectangles of its model file so
// that every rectangle falls on its key.
#pragma once
#include <QImage>
#include <QSize>

#include "model/keyinfo.h"

namespace keyloom::skins {

// Rows with an empty rectangle are keys the board does not have.
bool hasKey(const _KEYINFO& key);
// The rectangles' bounding box plus, right and bottom, the margin they leave
// left and top; empty when no row has a key.
QSize keyPictureSize(const _KEYINFO* keys, int count);
// Key caps with legends; row knobRow (0-based, -1 for none) is the knob.
// `scale` pixels to a point: the rectangles are points, the picture is
// keyPictureSize() times the scale.
QImage drawKeyPicture(const _KEYINFO* keys, int count, int knobRow, int scale = 1);

}  // namespace keyloom::skins
